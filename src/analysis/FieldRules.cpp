#include "analysis/FieldRules.h"

#include "settings/Settings.h"

namespace {

QString key(Field field, const char* suffix)
{
    QString stem;
    switch (field) {
    case Field::Title:
        stem = QStringLiteral("Title");
        break;
    case Field::Email:
        stem = QStringLiteral("Email");
        break;
    case Field::Description:
        stem = QStringLiteral("Description");
        break;
    }
    return stem + QLatin1String(suffix);
}

QString joinedPattern(const Settings& settings, Field field)
{
    return settings.text(key(field, "RegEx1")) + settings.text(key(field, "RegEx2")) +
           settings.text(key(field, "RegEx3"));
}

} // namespace

QString FindField(const Settings& settings, Field field, const QString& pageText)
{
    if (field == Field::Email)
        return RegexLastMatch(settings.text(QStringLiteral("EmailRegEx1")), pageText);
    return RegexLastMatch(joinedPattern(settings, field), pageText);
}

QString StripStartEnd(const Settings& settings, Field field, const QString& text)
{
    if (field == Field::Email)
        return text;
    // A replace of a pattern that does not match returns the text as it was, so
    // the test that guards each removal needs no separate call.
    QString result = PatternReplace(settings.text(key(field, "RegEx1")), text, QString());
    return PatternReplace(settings.text(key(field, "RegEx3")), result, QString());
}

BadWordsOutcome ApplyBadWords(const Settings& settings, Field field, const QString& text,
                              const QStringList& badWords)
{
    BadWordsOutcome outcome;
    outcome.text = text;
    if (field == Field::Email)
        return outcome;
    for (const QString& word : badWords) {
        if (word.isEmpty())
            continue;
        // A bad word that is invalid or cannot be decided counts as found:
        // the cautious reading for a word that may refuse the page. Its
        // replace then leaves the text as it is.
        if (PatternEvaluate(word, outcome.text) == PatternOutcome::NoMatch)
            continue;
        ++outcome.hits;
        // Read at each hit: the options may change between pages, and the
        // group's members are checked in the order the rule gives them.
        if (settings.choice(key(field, "BadWords1"))) {
            if (!outcome.refuse)
                outcome.refusedBy = word;
            outcome.refuse = true;
        } else if (settings.choice(key(field, "BadWords2")))
            outcome.text = PatternReplace(word, outcome.text, settings.text(key(field, "BadWords3")));
    }
    return outcome;
}

QString ApplyFallback(const Settings& settings, Field field, const QString& cell, const QString& domain)
{
    if (field == Field::Email || !cell.isEmpty())
        return cell;
    if (settings.choice(key(field, "NoTitle1")))
        return domain;
    if (settings.choice(key(field, "NoTitle2")))
        return QString();
    if (settings.choice(key(field, "NoTitle3")))
        return settings.text(key(field, "NoTitle4"));
    return cell;
}

CaseMode SelectedCaseMode(const Settings& settings, Field field)
{
    if (settings.choice(key(field, "Caps2")))
        return CaseMode::Proper;
    if (settings.choice(key(field, "Caps3")))
        return CaseMode::Lower;
    if (settings.choice(key(field, "Caps4")))
        return CaseMode::Upper;
    return CaseMode::Unchanged;
}

QString ApplyFieldCase(const Settings& settings, Field field, const QString& cell)
{
    return ApplyCaseMode(cell, SelectedCaseMode(settings, field));
}

QString ApplyFieldReplace(const Settings& settings, Field field, const QString& cell, bool caseSensitive)
{
    if (!settings.isOn(key(field, "Replace1")))
        return cell;
    return PatternReplace(settings.text(key(field, "Replace2")), cell, settings.text(key(field, "Replace3")),
                          caseSensitive);
}

std::optional<QString> ExtractEmail(const Settings& settings, const QString& pageText, const QString& domain)
{
    const auto fromPage = [&] {
        return RegexLastMatch(settings.text(QStringLiteral("EmailRegEx1")), pageText);
    };
    const auto fromDomain = [&] { return settings.text(QStringLiteral("EmailRegEx2")) + domain; };
    if (settings.choice(QStringLiteral("EmailOption1")))
        return fromPage();
    if (settings.choice(QStringLiteral("EmailOption2")))
        return fromDomain();
    if (settings.choice(QStringLiteral("EmailOption3"))) {
        const QString found = fromPage();
        return found.isEmpty() ? fromDomain() : found;
    }
    return std::nullopt;
}
