#pragma once

#include <QString>
#include <QStringView>

// Walks through a pattern the way a browser reads an ECMAScript regular
// expression, one token at a time, with the lenient legacy readings: a lone
// ']' or '{' is literal, '\1' is a back reference only when that many groups
// exist, else an octal escape. It knows the lexical rules (code points,
// escapes, counted repetitions); what the tokens mean in the grammar is left to
// PatternTranslator and PatternCharClass.
class PatternReader
{
public:
    explicit PatternReader(const QString& pattern);

    // Capturing groups in the whole pattern, counted before reading starts
    // because '\n' is a back reference only when group n exists.
    int groups() const { return m_groups; }

    bool atEnd() const { return m_i >= m_p.size(); }
    qsizetype position() const { return m_i; }
    // The character ahead of the position, or U+FFFF past the end.
    char16_t peek(qsizetype ahead = 0) const
    {
        return m_i + ahead < m_p.size() ? m_p.at(m_i + ahead).unicode() : char16_t(0xFFFF);
    }
    void skip(qsizetype count = 1) { m_i += count; }
    // The pattern from the position on.
    QStringView rest() const { return QStringView(m_p).mid(m_i); }
    // The source text between two positions.
    QString text(qsizetype from, qsizetype to) const { return m_p.mid(from, to - from); }

    // A source character, a surrogate pair read whole. A lone surrogate
    // cannot be matched by either engine: it makes the pattern invalid.
    bool readCodePoint(char32_t& cp);

    // After the backslash, with the position on the escape letter: a
    // character escape common to classes and the rest of the pattern.
    // Returns false on a syntax error. Otherwise sets cp for a character; or
    // escape to the letter of a class escape ('d', 'D', 'w', 'W', 's', 'S');
    // or escape to 'k' and cp to the group number for a back reference,
    // which is only read outside a class.
    bool readEscape(char32_t& cp, char& escape, bool inClass);

    // '{n}', '{n,}' or '{n,m}' at the position, which then moves past it.
    // Anything else leaves the position alone: the brace is a literal.
    bool readBraces(quint64& min, quint64& max, bool& unbounded);

private:
    int countGroups() const;
    int hexDigits(qsizetype from, int count) const;

    const QString m_p;
    qsizetype m_i = 0;
    int m_groups = 0;
};
