#include "analysis/PatternReader.h"

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

} // namespace

PatternReader::PatternReader(const QString& pattern) : m_p(pattern), m_groups(countGroups()) {}

int PatternReader::countGroups() const
{
    int count = 0;
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
            if (m_p.mid(i + 1, 1) != u"?")
                ++count;
            else if (m_p.mid(i + 1, 2) == u"?<" && m_p.mid(i + 1, 3) != u"?<=" && m_p.mid(i + 1, 3) != u"?<!")
                ++count;
        }
    }
    return count;
}

bool PatternReader::readCodePoint(char32_t& cp)
{
    const QChar c = m_p.at(m_i++);
    if (c.isHighSurrogate() && !atEnd() && m_p.at(m_i).isLowSurrogate()) {
        cp = QChar::surrogateToUcs4(c, m_p.at(m_i++));
        return true;
    }
    cp = c.unicode();
    return !c.isSurrogate();
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

bool PatternReader::readEscape(char32_t& cp, char& escape, bool inClass)
{
    escape = 0;
    if (atEnd())
        return false; // a trailing backslash
    const char16_t c = peek();
    switch (c) {
    case u'd':
    case u'D':
    case u'w':
    case u'W':
    case u's':
    case u'S':
        escape = char(c);
        ++m_i;
        return true;
    case u't':
        cp = 0x09;
        ++m_i;
        return true;
    case u'n':
        cp = 0x0A;
        ++m_i;
        return true;
    case u'v':
        cp = 0x0B;
        ++m_i;
        return true;
    case u'f':
        cp = 0x0C;
        ++m_i;
        return true;
    case u'r':
        cp = 0x0D;
        ++m_i;
        return true;
    case u'b':
        // Only reached inside a class, where it is the backspace.
        cp = 0x08;
        ++m_i;
        return true;
    case u'c': {
        const char16_t x = peek(1);
        if ((x >= u'a' && x <= u'z') || (x >= u'A' && x <= u'Z')) {
            cp = x % 32;
            m_i += 2;
        } else {
            cp = u'\\'; // "\c" without a letter is a backslash; the 'c' follows as itself
        }
        return true;
    }
    case u'x': {
        const int v = hexDigits(m_i + 1, 2);
        if (v >= 0) {
            cp = char32_t(v);
            m_i += 3;
        } else {
            cp = u'x';
            ++m_i;
        }
        return true;
    }
    case u'u': {
        const int v = hexDigits(m_i + 1, 4);
        if (v < 0) {
            cp = u'u';
            ++m_i;
            return true;
        }
        m_i += 5;
        cp = char32_t(v);
        if (QChar::isHighSurrogate(cp) && peek() == u'\\' && peek(1) == u'u') {
            const int low = hexDigits(m_i + 2, 4);
            if (low >= 0 && QChar::isLowSurrogate(char32_t(low))) {
                cp = QChar::surrogateToUcs4(char16_t(cp), char16_t(low));
                m_i += 6;
            }
        }
        return !QChar::isSurrogate(cp);
    }
    default:
        break;
    }
    if (c >= u'0' && c <= u'9') {
        if (!inClass && c != u'0') {
            qsizetype j = m_i;
            quint64 n = 0;
            while (j < m_p.size() && m_p.at(j).unicode() >= u'0' && m_p.at(j).unicode() <= u'9') {
                n = std::min<quint64>(n * 10 + (m_p.at(j).unicode() - u'0'), 1u << 30);
                ++j;
            }
            if (n <= quint64(m_groups)) {
                m_i = j;
                cp = char32_t(n);
                escape = 'k'; // a back reference
                return true;
            }
        }
        if (c >= u'8') {
            cp = c;
            ++m_i;
            return true;
        }
        // Legacy octal: up to three digits, at most 0377.
        int value = 0;
        const int maxDigits = c <= u'3' ? 3 : 2;
        for (int k = 0; k < maxDigits && peek() >= u'0' && peek() <= u'7'; ++k)
            value = value * 8 + (m_p.at(m_i++).unicode() - u'0');
        cp = char32_t(value);
        return true;
    }
    // Any other character, letters included, stands for itself.
    return readCodePoint(cp);
}

bool PatternReader::readBraces(quint64& min, quint64& max, bool& unbounded)
{
    qsizetype j = m_i + 1;
    const auto number = [&](quint64& value) {
        const qsizetype start = j;
        value = 0;
        while (j < m_p.size() && m_p.at(j).unicode() >= u'0' && m_p.at(j).unicode() <= u'9') {
            value = std::min<quint64>(value * 10 + (m_p.at(j).unicode() - u'0'), 1u << 30);
            ++j;
        }
        return j > start;
    };
    if (!number(min))
        return false;
    max = min;
    unbounded = false;
    if (j < m_p.size() && m_p.at(j) == u',') {
        ++j;
        if (!number(max))
            unbounded = true;
    }
    if (j >= m_p.size() || m_p.at(j) != u'}')
        return false;
    m_i = j + 1;
    return true;
}
