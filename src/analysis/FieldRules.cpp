#include "analysis/FieldRules.h"

#include "settings/SettingsSnapshot.h"

#include <QLocale>

namespace {

// The keys and groups of one field's rules.
struct FieldKeys
{
    Key pattern[3]; // RegEx1..RegEx3; for Email only the first is a pattern
    Key replaceOn, replaceWhat, replaceWith;
    ChoiceGroup<CaseMode> caseMode;
    // Title and Description only.
    ChoiceGroup<Fallback> fallback;
    Key fallbackText;
    ChoiceGroup<BadWordsPolicy> badWords;
    Key badWordsReplacement;
};

const FieldKeys& keysOf(Field field)
{
    static constexpr FieldKeys title{{Key::TitleRegEx1, Key::TitleRegEx2, Key::TitleRegEx3},
                                     Key::TitleReplace1,
                                     Key::TitleReplace2,
                                     Key::TitleReplace3,
                                     Groups::TitleCase,
                                     Groups::TitleFallback,
                                     Key::TitleNoTitle4,
                                     Groups::TitleBadWords,
                                     Key::TitleBadWords3};
    static constexpr FieldKeys email{{Key::EmailRegEx1, Key::EmailRegEx2, Key::EmailRegEx3},
                                     Key::EmailReplace1,
                                     Key::EmailReplace2,
                                     Key::EmailReplace3,
                                     Groups::EmailCase,
                                     // never read: the e-mail has no fallback and no bad words
                                     {-1},
                                     Key::TestURL,
                                     {-1},
                                     Key::TestURL};
    static constexpr FieldKeys description{
        {Key::DescriptionRegEx1, Key::DescriptionRegEx2, Key::DescriptionRegEx3},
        Key::DescriptionReplace1,
        Key::DescriptionReplace2,
        Key::DescriptionReplace3,
        Groups::DescriptionCase,
        Groups::DescriptionFallback,
        Key::DescriptionNoTitle4,
        Groups::DescriptionBadWords,
        Key::DescriptionBadWords3};
    switch (field) {
    case Field::Title:
        break;
    case Field::Email:
        return email;
    case Field::Description:
        return description;
    }
    return title;
}

QString joinedPattern(const SettingsSnapshot& settings, Field field)
{
    const FieldKeys& keys = keysOf(field);
    return settings.text(keys.pattern[0]) + settings.text(keys.pattern[1]) + settings.text(keys.pattern[2]);
}

} // namespace

QString FindField(const SettingsSnapshot& settings, Field field, const QString& pageText)
{
    if (field == Field::Email)
        return RegexLastMatch(settings.text(Key::EmailRegEx1), pageText);
    return RegexLastMatch(joinedPattern(settings, field), pageText);
}

QString StripStartEnd(const SettingsSnapshot& settings, Field field, const QString& text)
{
    if (field == Field::Email)
        return text;
    // A replace of a pattern that does not match returns the text as it was, so
    // the test that guards each removal needs no separate call.
    const FieldKeys& keys = keysOf(field);
    QString result = PatternReplace(settings.text(keys.pattern[0]), text, QString());
    return PatternReplace(settings.text(keys.pattern[2]), result, QString());
}

BadWordsOutcome ApplyBadWords(const SettingsSnapshot& settings, Field field, const QString& text,
                              const QStringList& badWords)
{
    BadWordsOutcome outcome;
    outcome.text = text;
    if (field == Field::Email)
        return outcome;
    const FieldKeys& keys = keysOf(field);
    const std::optional<BadWordsPolicy> policy = settings.choice(keys.badWords);
    for (const QString& word : badWords) {
        if (word.isEmpty())
            continue;
        // A bad word that is invalid or cannot be decided counts as found:
        // the cautious reading for a word that may refuse the page. Its
        // replace then leaves the text as it is.
        if (PatternEvaluate(word, outcome.text) == PatternOutcome::NoMatch)
            continue;
        ++outcome.hits;
        if (policy == BadWordsPolicy::Refuse) {
            if (!outcome.refuse)
                outcome.refusedBy = word;
            outcome.refuse = true;
        } else if (policy == BadWordsPolicy::Replace)
            outcome.text = PatternReplace(word, outcome.text, settings.text(keys.badWordsReplacement));
    }
    return outcome;
}

QString ApplyFallback(const SettingsSnapshot& settings, Field field, const QString& cell,
                      const QString& domain)
{
    if (field == Field::Email || !cell.isEmpty())
        return cell;
    const FieldKeys& keys = keysOf(field);
    switch (settings.choice(keys.fallback).value_or(Fallback::Empty)) {
    case Fallback::Domain:
        return domain;
    case Fallback::Empty:
        break;
    case Fallback::Text:
        return settings.text(keys.fallbackText);
    }
    return cell;
}

namespace {

bool isWordSeparator(QChar ch)
{
    switch (ch.unicode()) {
    case 0x00: // NUL
    case 0x09: // tab
    case 0x0A: // line feed
    case 0x0B: // vertical tab
    case 0x0C: // form feed
    case 0x0D: // carriage return
    case 0x20: // space
        return true;
    default:
        return false;
    }
}

// Only white space and NUL start a word; punctuation does not, so
// "jean-luc o'neil" becomes "Jean-luc O'neil".
QString properCase(const QLocale& locale, const QString& text)
{
    const QString lower = locale.toLower(text);
    QString result;
    result.reserve(lower.size());
    bool wordStart = true;
    for (qsizetype i = 0; i < lower.size(); ++i) {
        const QChar ch = lower.at(i);
        if (isWordSeparator(ch)) {
            result += ch;
            wordStart = true;
            continue;
        }
        if (!wordStart) {
            result += ch;
            continue;
        }
        wordStart = false;
        const qsizetype width =
            (ch.isHighSurrogate() && i + 1 < lower.size() && lower.at(i + 1).isLowSurrogate()) ? 2 : 1;
        result += locale.toUpper(lower.mid(i, width));
        i += width - 1;
    }
    return result;
}

} // namespace

QString ApplyCaseMode(const QString& text, CaseMode mode)
{
    const QLocale locale;
    switch (mode) {
    case CaseMode::Unchanged:
        return text;
    case CaseMode::Proper:
        return properCase(locale, text);
    case CaseMode::Lower:
        return locale.toLower(text);
    case CaseMode::Upper:
        return locale.toUpper(text);
    }
    return text;
}

CaseMode SelectedCaseMode(const SettingsSnapshot& settings, Field field)
{
    return settings.choice(keysOf(field).caseMode).value_or(CaseMode::Unchanged);
}

QString ApplyFieldCase(const SettingsSnapshot& settings, Field field, const QString& cell)
{
    return ApplyCaseMode(cell, SelectedCaseMode(settings, field));
}

QString ApplyFieldReplace(const SettingsSnapshot& settings, Field field, const QString& cell,
                          bool caseSensitive)
{
    const FieldKeys& keys = keysOf(field);
    if (!settings.isOn(keys.replaceOn))
        return cell;
    return PatternReplace(settings.text(keys.replaceWhat), cell, settings.text(keys.replaceWith),
                          caseSensitive);
}

std::optional<QString> ExtractEmail(const SettingsSnapshot& settings, const QString& pageText,
                                    const QString& domain)
{
    const auto fromPage = [&] { return RegexLastMatch(settings.text(Key::EmailRegEx1), pageText); };
    const auto fromDomain = [&] { return settings.text(Key::EmailRegEx2) + domain; };
    const std::optional<EmailSource> source = settings.choice(Groups::EmailSource);
    if (!source)
        return std::nullopt;
    switch (*source) {
    case EmailSource::Page:
        return fromPage();
    case EmailSource::PrefixDomain:
        return fromDomain();
    case EmailSource::PageElsePrefix:
        break;
    }
    const QString found = fromPage();
    return found.isEmpty() ? fromDomain() : found;
}
