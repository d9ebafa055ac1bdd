#include "analysis/PageAnalysis.h"

#include "analysis/AcceptanceChecks.h"
#include "analysis/FieldRules.h"
#include "platform/LogCategories.h"
#include "settings/SettingsSnapshot.h"

namespace {

// Why a page gets no row, for whoever switched the analysis diagnostics on.
void logRefusals(const PageVerdict& verdict, bool recipFound, const QString& header,
                 const BadWordsOutcome& title, const BadWordsOutcome& description)
{
    if (!lcAnalysis().isDebugEnabled())
        return;
    if (!verdict.contentTypeOk) {
        const QString type = HeaderContentType(header);
        qCDebug(lcAnalysis, "refused: the header block has no \"Content-Type: text/html\" (%s)",
                type.isEmpty() ? "no Content-Type line" : qUtf8Printable(type));
    }
    if (!verdict.statusOk) {
        qCDebug(lcAnalysis, "refused: no accepted status code matches the status line \"%s\"",
                qUtf8Printable(HeaderStatusLine(header)));
    }
    if (!recipFound)
        qCDebug(lcAnalysis, "refused: the reciprocal-link pattern was not found on the page");
    if (title.refuse)
        qCDebug(lcAnalysis, "refused: the title \"%s\" holds the bad word \"%s\"", qUtf8Printable(title.text),
                qUtf8Printable(title.refusedBy));
    if (description.refuse)
        qCDebug(lcAnalysis, "refused: the description holds the bad word \"%s\"",
                qUtf8Printable(description.refusedBy));
}

// One reason is named even when several checks failed. A status line that is
// not accepted comes first because it says the body is not the page at all
// (an error page, a redirect's stub), which makes every later finding moot.
PageRefusal firstRefusal(const PageVerdict& verdict, bool recipFound, const QString& header,
                         const BadWordsOutcome& title, const BadWordsOutcome& description)
{
    using Kind = PageRefusal::Kind;
    if (!verdict.statusOk)
        return {Kind::StatusLine, HeaderStatusLine(header)};
    if (!verdict.contentTypeOk)
        return {Kind::ContentType, HeaderContentType(header)};
    if (!recipFound)
        return {Kind::ReciprocalLink, QString()};
    if (title.refuse)
        return {Kind::TitleBadWord, title.refusedBy};
    if (description.refuse)
        return {Kind::DescriptionBadWord, description.refusedBy};
    return {};
}

} // namespace

PageVerdict AnalysePage(const SettingsSnapshot& settings, const QString& pageText, const QString& headerText,
                        const QStringList& badWords, const QStringList& validStatus)
{
    PageVerdict verdict;
    // Every check and rule runs even after a verdict has turned false: the
    // bad-word replacements still shape the texts, and no refusal outranks
    // another.
    verdict.contentTypeOk = CheckContentType(settings, headerText);
    verdict.statusOk = CheckStatus(validStatus, headerText);
    const bool recipFound = CheckRecip(settings, pageText);
    verdict.addOk = recipFound;

    verdict.title =
        StripLineBreaks(StripStartEnd(settings, Field::Title, FindField(settings, Field::Title, pageText)));
    verdict.description = StripLineBreaks(
        StripStartEnd(settings, Field::Description, FindField(settings, Field::Description, pageText)));

    const BadWordsOutcome title = ApplyBadWords(settings, Field::Title, verdict.title, badWords);
    verdict.title = title.text;
    const BadWordsOutcome description =
        ApplyBadWords(settings, Field::Description, verdict.description, badWords);
    verdict.description = description.text;
    if (title.refuse || description.refuse)
        verdict.addOk = false;
    verdict.refusal = firstRefusal(verdict, recipFound, headerText, title, description);
    logRefusals(verdict, recipFound, headerText, title, description);
    return verdict;
}

RowCells FillRowCells(const SettingsSnapshot& settings, const PageVerdict& verdict, const QString& url,
                      const QString& pageText)
{
    RowCells cells;
    cells.urlDomain = DomainFromUrl(url, settings.text(Key::EmailRegEx3));

    QString title = ApplyFallback(settings, Field::Title, verdict.title, cells.urlDomain);
    title = ApplyFieldCase(settings, Field::Title, title);
    // The batch run's title replace is the one rule that heeds letter case.
    cells.title = ApplyFieldReplace(settings, Field::Title, title, true);

    QString email = ExtractEmail(settings, pageText, cells.urlDomain).value_or(QString());
    email = ApplyFieldCase(settings, Field::Email, email);
    cells.email = ApplyFieldReplace(settings, Field::Email, email, false);

    QString description = ApplyFallback(settings, Field::Description, verdict.description, cells.urlDomain);
    description = ApplyFieldCase(settings, Field::Description, description);
    cells.description = ApplyFieldReplace(settings, Field::Description, description, false);
    return cells;
}
