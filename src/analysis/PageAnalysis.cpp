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

// A field as the bad words see it: found and stripped of its start and end
// parts, then, as the style says, of its line breaks or given its fallback.
QString fieldBeforeBadWords(const SettingsSnapshot& settings, Field field, const QString& pageText,
                            const AnalysisStyle& style, const QString& url)
{
    QString text = StripStartEnd(settings, field, FindField(settings, field, pageText));
    if (style.stripLineBreaks)
        text = StripLineBreaks(text);
    if (style.fallbackBeforeBadWords)
        text = ApplyFallback(settings, field, text, DomainFromUrl(url, settings.text(Key::EmailRegEx3)));
    return text;
}

} // namespace

PageVerdict AnalysePage(const SettingsSnapshot& settings, const QString& pageText, const QString& headerText,
                        const QStringList& badWords, const QStringList& validStatus,
                        const AnalysisStyle& style, const QString& url)
{
    PageVerdict verdict;
    // Every check and rule runs even after a verdict has turned false: the
    // bad-word replacements still shape the texts, and the configuration test
    // reports every finding. The refusal then names only the first failure.
    verdict.contentTypeOk = CheckContentType(settings, headerText);
    verdict.statusMatches = StatusMatches(validStatus, headerText, style.everyStatusEntry);
    verdict.statusOk = validStatus.isEmpty() || verdict.statusMatches.contains(true);
    verdict.recipFound = CheckRecip(settings, pageText);
    verdict.addOk = verdict.recipFound;

    const BadWordsOutcome title = ApplyBadWords(
        settings, Field::Title, fieldBeforeBadWords(settings, Field::Title, pageText, style, url), badWords);
    verdict.title = title.text;
    const BadWordsOutcome description =
        ApplyBadWords(settings, Field::Description,
                      fieldBeforeBadWords(settings, Field::Description, pageText, style, url), badWords);
    verdict.description = description.text;
    verdict.titleBadWords = title.refuse ? title.hits : 0;
    verdict.descriptionBadWords = description.refuse ? description.hits : 0;
    if (title.refuse || description.refuse)
        verdict.addOk = false;
    verdict.refusal = firstRefusal(verdict, verdict.recipFound, headerText, title, description);
    logRefusals(verdict, verdict.recipFound, headerText, title, description);
    return verdict;
}

QString RowUrlDomain(const SettingsSnapshot& settings, const QString& url)
{
    return DomainFromUrl(url, settings.text(Key::EmailRegEx3));
}

ResultRow FillRowCells(const SettingsSnapshot& settings, const PageVerdict& verdict, const QString& url,
                       const QString& pageText, const AnalysisStyle& style, const QString& emailWhenNone)
{
    ResultRow row;
    row.url = url;
    const QString urlDomain = RowUrlDomain(settings, url);
    const auto withFallback = [&](Field field, const QString& text) {
        return style.fallbackBeforeBadWords ? text : ApplyFallback(settings, field, text, urlDomain);
    };

    QString title = withFallback(Field::Title, verdict.title);
    title = ApplyFieldCase(settings, Field::Title, title);
    row.title = ApplyFieldReplace(settings, Field::Title, title, style.titleReplaceHeedsCase);

    QString email = ExtractEmail(settings, pageText, urlDomain).value_or(emailWhenNone);
    email = ApplyFieldCase(settings, Field::Email, email);
    row.email = ApplyFieldReplace(settings, Field::Email, email, false);

    QString description = withFallback(Field::Description, verdict.description);
    description = ApplyFieldCase(settings, Field::Description, description);
    row.description = ApplyFieldReplace(settings, Field::Description, description, false);
    return row;
}
