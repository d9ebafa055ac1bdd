#include "settings/Settings.h"

#include "settings/SettingsDefaults.h"

#include <QHash>

namespace {

using K = Settings::Kind;

enum Group {
    TitleCase,
    TitleFallback,
    TitleBadWords,
    EmailSource,
    EmailCase,
    DescriptionCase,
    DescriptionFallback,
    DescriptionBadWords,
};

const Settings::Field kFields[Settings::FieldCount] = {
    {"TestURL", "Test", K::Text, -1, Defaults::TestUrl},

    {"TitleRegEx1", "Title", K::Text, -1, Defaults::TitleRegEx1},
    {"TitleRegEx2", "Title", K::Text, -1, Defaults::TitleRegEx2},
    {"TitleRegEx3", "Title", K::Text, -1, Defaults::TitleRegEx3},
    {"TitleCaps1", "Title", K::Choice, TitleCase, "1"},
    {"TitleCaps2", "Title", K::Choice, TitleCase, "0"},
    {"TitleCaps3", "Title", K::Choice, TitleCase, "0"},
    {"TitleCaps4", "Title", K::Choice, TitleCase, "0"},
    {"TitleReplace1", "Title", K::Flag, -1, "0"},
    {"TitleReplace2", "Title", K::Text, -1, ""},
    {"TitleReplace3", "Title", K::Text, -1, ""},
    {"TitleNoTitle1", "Title", K::Choice, TitleFallback, "0"},
    {"TitleNoTitle2", "Title", K::Choice, TitleFallback, "1"},
    {"TitleNoTitle3", "Title", K::Choice, TitleFallback, "0"},
    {"TitleNoTitle4", "Title", K::Text, -1, ""},
    {"TitleBadWords1", "Title", K::Choice, TitleBadWords, "0"},
    {"TitleBadWords2", "Title", K::Choice, TitleBadWords, "0"},
    {"TitleBadWords3", "Title", K::Text, -1, ""},
    {"TitleBadWords4", "Title", K::Choice, TitleBadWords, "1"},

    {"EmailRegEx1", "Email", K::Text, -1, Defaults::EmailRegEx1},
    {"EmailRegEx2", "Email", K::Text, -1, Defaults::EmailRegEx2},
    {"EmailRegEx3", "Email", K::Text, -1, Defaults::EmailRegEx3},
    {"EmailOption1", "Email", K::Choice, EmailSource, "1"},
    {"EmailOption2", "Email", K::Choice, EmailSource, "0"},
    {"EmailOption3", "Email", K::Choice, EmailSource, "0"},
    {"EmailCaps1", "Email", K::Choice, EmailCase, "1"},
    {"EmailCaps2", "Email", K::Choice, EmailCase, "0"},
    {"EmailCaps3", "Email", K::Choice, EmailCase, "0"},
    {"EmailCaps4", "Email", K::Choice, EmailCase, "0"},
    {"EmailReplace1", "Email", K::Flag, -1, "0"},
    {"EmailReplace2", "Email", K::Text, -1, ""},
    {"EmailReplace3", "Email", K::Text, -1, ""},

    {"DescriptionRegEx1", "Description", K::Text, -1, Defaults::DescriptionRegEx1},
    {"DescriptionRegEx2", "Description", K::Text, -1, Defaults::DescriptionRegEx2},
    {"DescriptionRegEx3", "Description", K::Text, -1, Defaults::DescriptionRegEx3},
    {"DescriptionCaps1", "Description", K::Choice, DescriptionCase, "1"},
    {"DescriptionCaps2", "Description", K::Choice, DescriptionCase, "0"},
    {"DescriptionCaps3", "Description", K::Choice, DescriptionCase, "0"},
    {"DescriptionCaps4", "Description", K::Choice, DescriptionCase, "0"},
    {"DescriptionReplace1", "Description", K::Flag, -1, "0"},
    {"DescriptionReplace2", "Description", K::Text, -1, ""},
    {"DescriptionReplace3", "Description", K::Text, -1, ""},
    {"DescriptionNoTitle1", "Description", K::Choice, DescriptionFallback, "0"},
    {"DescriptionNoTitle2", "Description", K::Choice, DescriptionFallback, "1"},
    {"DescriptionNoTitle3", "Description", K::Choice, DescriptionFallback, "0"},
    {"DescriptionNoTitle4", "Description", K::Text, -1, ""},
    {"DescriptionBadWords1", "Description", K::Choice, DescriptionBadWords, "0"},
    {"DescriptionBadWords2", "Description", K::Choice, DescriptionBadWords, "0"},
    {"DescriptionBadWords3", "Description", K::Text, -1, ""},
    {"DescriptionBadWords4", "Description", K::Choice, DescriptionBadWords, "1"},

    {"BadWordsFile", "BadWords", K::Text, -1, ""},
    {"BadDomainsFile", "BadDomains", K::Text, -1, ""},
    {"OutputASCIIFile", "Output", K::Text, -1, Defaults::OutputAsciiFile},
    {"OutputASCIIDelimeter", "Output", K::Text, -1, Defaults::OutputAsciiDelimiter},
    {"Reciptext", "Recip", K::Text, -1, Defaults::RecipText},
    {"UseRecip", "Recip", K::Flag, -1, "0"},
    {"ContentTypeCheck", "ServerHeaders", K::Flag, -1, "1"},
};

const QHash<QString, int>& keyIndex()
{
    static const QHash<QString, int> index = [] {
        QHash<QString, int> h;
        for (int i = 0; i < Settings::FieldCount; ++i)
            h.insert(QString::fromLatin1(kFields[i].key), i);
        return h;
    }();
    return index;
}

} // namespace

std::span<const Settings::Field> Settings::fields()
{
    return std::span<const Field>(kFields, FieldCount);
}

int Settings::indexOf(const QString& key)
{
    return keyIndex().value(key, -1);
}

Settings::Settings(QObject* parent)
    : QObject(parent)
{
    m_values.resize(FieldCount);
    for (int i = 0; i < FieldCount; ++i)
        m_values[i] = QString::fromUtf8(kFields[i].initial);
}

QString Settings::text(const QString& key) const
{
    const int i = indexOf(key);
    Q_ASSERT_X(i >= 0 && kFields[i].kind == Kind::Text, "Settings::text", qPrintable(key));
    return i < 0 ? QString() : m_values[i];
}

void Settings::setText(const QString& key, const QString& value)
{
    const int i = indexOf(key);
    Q_ASSERT_X(i >= 0 && kFields[i].kind == Kind::Text, "Settings::setText", qPrintable(key));
    if (i >= 0)
        setValue(i, value);
}

bool Settings::choice(const QString& key) const
{
    const int i = indexOf(key);
    Q_ASSERT_X(i >= 0 && kFields[i].kind == Kind::Choice, "Settings::choice", qPrintable(key));
    return i >= 0 && m_values[i] == QLatin1String("1");
}

void Settings::setChoice(const QString& key, bool selected)
{
    const int i = indexOf(key);
    Q_ASSERT_X(i >= 0 && kFields[i].kind == Kind::Choice, "Settings::setChoice", qPrintable(key));
    if (i < 0)
        return;
    if (selected) {
        // Clear the others first so that listeners never see two selected members.
        for (int j = 0; j < FieldCount; ++j)
            if (j != i && kFields[j].kind == Kind::Choice && kFields[j].group == kFields[i].group)
                setValue(j, QStringLiteral("0"));
    }
    setValue(i, selected ? QStringLiteral("1") : QStringLiteral("0"));
}

Settings::FlagState Settings::flag(const QString& key) const
{
    const int i = indexOf(key);
    Q_ASSERT_X(i >= 0 && kFields[i].kind == Kind::Flag, "Settings::flag", qPrintable(key));
    if (i < 0)
        return FlagOff;
    return static_cast<FlagState>(m_values[i].toInt());
}

void Settings::setFlag(const QString& key, FlagState state)
{
    const int i = indexOf(key);
    Q_ASSERT_X(i >= 0 && kFields[i].kind == Kind::Flag, "Settings::setFlag", qPrintable(key));
    if (i >= 0)
        setValue(i, QString::number(int(state)));
}

QString Settings::rawValue(int index) const
{
    return m_values.value(index);
}

void Settings::resetToInitial()
{
    for (int i = 0; i < FieldCount; ++i)
        setValue(i, QString::fromUtf8(kFields[i].initial));
}

void Settings::setValue(int index, const QString& value)
{
    if (m_values[index] == value)
        return;
    m_values[index] = value;
    Q_EMIT fieldChanged(QString::fromLatin1(kFields[index].key));
}
