#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

// Walks through a pattern the way a browser reads a JavaScript regular
// expression without the u flag, with the lenient legacy readings: a lone
// ']', '{' or '}' is literal, '\1' is a back reference only when that many
// groups exist and otherwise an octal escape, any other escaped character
// stands for itself. It knows the lexical rules (escapes, counted
// repetitions, group names); the grammar is PatternParser's.
class PatternReader
{
public:
    explicit PatternReader(const QString& pattern);

    // Capturing groups in the whole pattern, counted before reading starts
    // because '\n' is a back reference only when group n exists; and the
    // names of the named ones, by number (empty for an unnamed group).
    int groups() const { return m_groups; }
    bool hasNamedGroups() const { return m_hasNames; }
    // The number of the group of that name, 0 when there is none.
    int groupNamed(const QString& name) const { return int(m_names.indexOf(name)) + 1; }

    bool atEnd() const { return m_i >= m_p.size(); }
    qsizetype position() const { return m_i; }
    void setPosition(qsizetype at) { m_i = at; }
    // The unit ahead of the position, or U+FFFF past the end.
    char16_t peek(qsizetype ahead = 0) const
    {
        return m_i + ahead < m_p.size() ? m_p.at(m_i + ahead).unicode() : char16_t(0xFFFF);
    }
    bool lookingAt(QStringView text) const { return QStringView(m_p).mid(m_i).startsWith(text); }
    void skip(qsizetype count = 1) { m_i += count; }

    // After the backslash, on the escape's first character: an escape that
    // stands for one unit, read the same in a class and outside ('\n',
    // '\x41', '\u0041', '\0', legacy octal, any other character as itself).
    // '\c', back references and class escapes are the caller's.
    char16_t readCharacterEscape();

    // '{n}', '{n,}' or '{n,m}' at the position, which then moves past it.
    // Anything else leaves the position alone: the brace is a literal.
    // Counts too large to hold are kUnboundedCount, as in browsers.
    static constexpr quint32 kUnboundedCount = 0x7FFFFFFF;
    bool readBraces(quint32& min, quint32& max);

    // '<name>' at the position, which then moves past it. False when it is
    // not a valid group name.
    bool readGroupName(QString& name);

private:
    void scanGroups();
    int hexDigits(qsizetype from, int count) const;
    bool readNameCodePoint(char32_t& cp);

    const QString m_p;
    qsizetype m_i = 0;
    int m_groups = 0;
    bool m_hasNames = false;
    QStringList m_names; // by group number - 1
};
