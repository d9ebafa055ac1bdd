#include "pattern/PatternReader.h"

#include <algorithm>

namespace {

int hexValue(char16_t c)
{
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

bool isOctal(char16_t c)
{
    return c >= u'0' && c <= u'7';
}

bool isNameStart(char32_t cp)
{
    if (cp < 0x80)
        return (cp >= u'a' && cp <= u'z') || (cp >= u'A' && cp <= u'Z') || cp == u'$' || cp == u'_';
    switch (QChar::category(cp)) {
    case QChar::Letter_Uppercase:
    case QChar::Letter_Lowercase:
    case QChar::Letter_Titlecase:
    case QChar::Letter_Modifier:
    case QChar::Letter_Other:
    case QChar::Number_Letter:
        return true;
    default:
        return false;
    }
}

bool isNamePart(char32_t cp)
{
    if (isNameStart(cp) || (cp >= u'0' && cp <= u'9') || cp == 0x200C || cp == 0x200D)
        return true;
    if (cp < 0x80)
        return false;
    switch (QChar::category(cp)) {
    case QChar::Mark_NonSpacing:
    case QChar::Mark_SpacingCombining:
    case QChar::Number_DecimalDigit:
    case QChar::Punctuation_Connector:
        return true;
    default:
        return false;
    }
}

} // namespace

PatternReader::PatternReader(const QString& pattern) : m_p(pattern)
{
    scanGroups();
}

void PatternReader::scanGroups()
{
    bool inClass = false;
    for (qsizetype i = 0; i < m_p.size(); ++i) {
        const QChar c = m_p.at(i);
        if (c == u'\\') {
            ++i;
        } else if (inClass) {
            inClass = c != u']';
        } else if (c == u'[') {
            inClass = true;
        } else if (c == u'(') {
            if (m_p.mid(i + 1, 1) != u"?") {
                ++m_groups;
                m_names << QString();
            } else if (m_p.mid(i + 1, 2) == u"?<" && m_p.mid(i + 1, 3) != u"?<=" && m_p.mid(i + 1, 3) != u"?<!") {
                ++m_groups;
                m_hasNames = true;
                const qsizetype saved = m_i;
                m_i = i + 2;
                QString name;
                m_names << (readGroupName(name) && !m_names.contains(name) ? name : QString());
                m_i = saved;
            }
        }
    }
}

int PatternReader::hexDigits(qsizetype from, int count) const
{
    int value = 0;
    for (int k = 0; k < count; ++k) {
        if (from + k >= m_p.size())
            return -1;
        const int d = hexValue(m_p.at(from + k).unicode());
        if (d < 0)
            return -1;
        value = value * 16 + d;
    }
    return value;
}

char16_t PatternReader::readCharacterEscape()
{
    const char16_t c = peek();
    switch (c) {
    case u't':
        ++m_i;
        return 0x09;
    case u'n':
        ++m_i;
        return 0x0A;
    case u'v':
        ++m_i;
        return 0x0B;
    case u'f':
        ++m_i;
        return 0x0C;
    case u'r':
        ++m_i;
        return 0x0D;
    case u'x': {
        const int v = hexDigits(m_i + 1, 2);
        m_i += v >= 0 ? 3 : 1;
        return v >= 0 ? char16_t(v) : u'x';
    }
    case u'u': {
        // Four hex digits; "\u{...}" is no escape without the u flag.
        const int v = hexDigits(m_i + 1, 4);
        m_i += v >= 0 ? 5 : 1;
        return v >= 0 ? char16_t(v) : u'u';
    }
    default:
        break;
    }
    if (isOctal(c)) {
        // Legacy octal: up to three digits while the value stays below 256.
        int value = c - u'0';
        ++m_i;
        if (isOctal(peek())) {
            value = value * 8 + (peek() - u'0');
            ++m_i;
            if (value < 32 && isOctal(peek())) {
                value = value * 8 + (peek() - u'0');
                ++m_i;
            }
        }
        return char16_t(value);
    }
    // Any other unit, letters and lone surrogates included, stands for itself.
    ++m_i;
    return c;
}

bool PatternReader::readBraces(quint32& min, quint32& max)
{
    qsizetype j = m_i + 1;
    const auto number = [&](quint32& value) {
        const qsizetype start = j;
        quint64 v = 0;
        while (j < m_p.size() && m_p.at(j).unicode() >= u'0' && m_p.at(j).unicode() <= u'9') {
            v = std::min<quint64>(v * 10 + (m_p.at(j).unicode() - u'0'), kUnboundedCount);
            ++j;
        }
        value = quint32(v);
        return j > start;
    };
    if (!number(min))
        return false;
    max = min;
    if (j < m_p.size() && m_p.at(j) == u',') {
        ++j;
        if (!number(max))
            max = kUnboundedCount;
    }
    if (j >= m_p.size() || m_p.at(j) != u'}')
        return false;
    m_i = j + 1;
    return true;
}

// One code point of a group name: a surrogate pair whole, '\uXXXX' (a pair
// of them whole too) or '\u{...}'.
bool PatternReader::readNameCodePoint(char32_t& cp)
{
    if (atEnd())
        return false;
    const char16_t c = peek();
    if (c != u'\\') {
        ++m_i;
        cp = c;
        if (QChar::isHighSurrogate(c) && QChar::isLowSurrogate(peek())) {
            cp = QChar::surrogateToUcs4(c, peek());
            ++m_i;
        }
        return true;
    }
    if (peek(1) != u'u')
        return false;
    if (peek(2) == u'{') {
        qsizetype j = m_i + 3;
        quint64 v = 0;
        while (j < m_p.size() && hexValue(m_p.at(j).unicode()) >= 0 && v <= 0x10FFFF)
            v = v * 16 + quint64(hexValue(m_p.at(j++).unicode()));
        if (j == m_i + 3 || j >= m_p.size() || m_p.at(j) != u'}' || v > 0x10FFFF)
            return false;
        cp = char32_t(v);
        m_i = j + 1;
        return true;
    }
    const int v = hexDigits(m_i + 2, 4);
    if (v < 0)
        return false;
    m_i += 6;
    cp = char32_t(v);
    if (QChar::isHighSurrogate(cp) && peek() == u'\\' && peek(1) == u'u') {
        const int low = hexDigits(m_i + 2, 4);
        if (low >= 0 && QChar::isLowSurrogate(char32_t(low))) {
            cp = QChar::surrogateToUcs4(char16_t(cp), char16_t(low));
            m_i += 6;
        }
    }
    return true;
}

bool PatternReader::readGroupName(QString& name)
{
    const qsizetype start = m_i;
    name.clear();
    if (peek() != u'<') {
        return false;
    }
    ++m_i;
    for (bool first = true;; first = false) {
        if (!first && peek() == u'>') {
            ++m_i;
            return true;
        }
        char32_t cp = 0;
        if (!readNameCodePoint(cp) || !(first ? isNameStart(cp) : isNamePart(cp))) {
            m_i = start;
            return false;
        }
        name += QString::fromUcs4(&cp, 1);
    }
}
