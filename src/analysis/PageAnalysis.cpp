#include "analysis/PageAnalysis.h"

#include "analysis/AcceptanceChecks.h"
#include "analysis/FieldRules.h"
#include "settings/Settings.h"

PageVerdict AnalysePage(const Settings& settings, const QString& pageText, const QString& headerText,
                        const QStringList& badWords, const QStringList& validStatus)
{
    PageVerdict verdict;
    // Every check and rule runs even after a verdict has turned false: the
    // bad-word replacements still shape the texts, and no refusal outranks
    // another.
    verdict.contentTypeOk = CheckContentType(settings, headerText);
    verdict.statusOk = CheckStatus(validStatus, headerText);
    verdict.addOk = CheckRecip(settings, pageText);

    verdict.title =
        RemoveLineBreaks(StripStartEnd(settings, Field::Title, FindField(settings, Field::Title, pageText)));
    verdict.description = RemoveLineBreaks(
        StripStartEnd(settings, Field::Description, FindField(settings, Field::Description, pageText)));

    const BadWordsOutcome title = ApplyBadWords(settings, Field::Title, verdict.title, badWords);
    verdict.title = title.text;
    const BadWordsOutcome description =
        ApplyBadWords(settings, Field::Description, verdict.description, badWords);
    verdict.description = description.text;
    if (title.refuse || description.refuse)
        verdict.addOk = false;
    return verdict;
}

RowCells FillRowCells(const Settings& settings, const PageVerdict& verdict, const QString& url,
                      const QString& pageText)
{
    RowCells cells;
    cells.urlDomain = DomainFromUrl(url, settings.text(QStringLiteral("EmailRegEx3")));

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
