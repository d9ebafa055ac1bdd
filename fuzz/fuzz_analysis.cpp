// The whole one-page analysis, as the batch run does it, on any page text and
// header block, with the shipped rules or with user patterns from the input.
#include "FuzzInput.h"
#include "analysis/PageAnalysis.h"
#include "platform/PageDecoder.h"
#include "settings/Settings.h"

#include <QElapsedTimer>

namespace {

// Each of the page's dozen pattern uses may spend its budget; this is far
// beyond what a page ever should take.
constexpr qint64 kMaxPageMs = 20000;

QStringList linesOf(const QByteArray& bytes)
{
    QStringList out = QString::fromUtf8(bytes).split(u'\n');
    if (out.size() > 8)
        out.resize(8);
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const FuzzInput in(data, size, 5);
    const QString header = QString::fromLatin1(in.part(0));
    // The fetcher hands over normalised text; the raw form is tried as well.
    QString page = FuzzInput::text(in.part(1), in.option(0));
    if (!in.option(1))
        page = PageDecoder::normalizeLineBreaks(page);
    const QStringList badWords = in.option(2) ? linesOf(in.part(2)) : QStringList();
    const QStringList validStatus = linesOf(in.part(3));
    const QStringList userPatterns = linesOf(in.part(4));

    Settings settings;
    const bool shippedRules = userPatterns.size() < 2;
    if (!shippedRules) {
        static constexpr Key keys[] = {Key::TitleRegEx2,         Key::DescriptionRegEx2, Key::EmailRegEx1,
                                       Key::EmailRegEx3,         Key::Reciptext,         Key::TitleReplace2,
                                       Key::DescriptionReplace2, Key::TitleReplace3};
        for (int i = 0; i < userPatterns.size() && i < int(std::size(keys)); ++i)
            settings.setText(keys[i], userPatterns[i]);
    }
    settings.setFlag(Key::UseRecip, in.option(3) ? FlagState::On : FlagState::Off);
    settings.setFlag(Key::TitleReplace1, in.option(4) ? FlagState::On : FlagState::Off);
    settings.setFlag(Key::DescriptionReplace1, in.option(4) ? FlagState::On : FlagState::Off);
    settings.select(Groups::TitleBadWords, in.option(5) ? BadWordsPolicy::Refuse : BadWordsPolicy::Replace);
    settings.select(Groups::TitleCase, in.option(6) ? CaseMode::Proper : CaseMode::Upper);
    settings.select(Groups::EmailSource, in.option(7) ? EmailSource::PageElsePrefix : EmailSource::Page);
    settings.setSelected(Key::TitleNoTitle1, true);

    QElapsedTimer clock;
    clock.start();
    const SettingsSnapshot values = settings.snapshot();
    const PageVerdict verdict = AnalysePage(values, page, header, badWords, validStatus);
    const ResultRow cells =
        FillRowCells(values, verdict, QStringLiteral("http://www.example.com/a/b.html"), page);
    if (clock.elapsed() > kMaxPageMs)
        fuzzFail("one page took too long", QStringLiteral("%1 ms").arg(clock.elapsed()));

    if (shippedRules && !in.option(1) && badWords.isEmpty()) {
        // The shipped title pattern stays within one line, and the line breaks
        // of the description are removed.
        for (const QString& text : {verdict.title, verdict.description})
            if (text.contains(u'\r') || text.contains(u'\n'))
                fuzzFail("a line break in the title or description", text);
        if (in.option(7) == false && !cells.email.isEmpty() &&
            !page.contains(cells.email, Qt::CaseInsensitive))
            fuzzFail("the e-mail is not on the page", cells.email);
    }
    if (!verdict.accepted() && verdict.contentTypeOk && verdict.statusOk && verdict.addOk)
        fuzzFail("accepted() disagrees with the verdicts");
    return 0;
}
