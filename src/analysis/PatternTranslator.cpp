#include "analysis/PatternTranslator.h"

#include <algorithm>
#include <vector>

namespace {

constexpr char32_t kMaxCodePoint = 0x10FFFF;
// RE2 refuses larger counts; PCRE2 refuses counts above 65535 itself.
constexpr quint64 kRe2MaxCount = 1000;

// ECMAScript's white space and line terminators, as ranges; '\S' is the rest.
constexpr char32_t kSpaceRanges[][2] = {{0x09, 0x0D}, {0x20, 0x20},     {0xA0, 0xA0},     {0x1680, 0x1680},
                                        {0x2000, 0x200A}, {0x2028, 0x2029}, {0x202F, 0x202F}, {0x205F, 0x205F},
                                        {0x3000, 0x3000}, {0xFEFF, 0xFEFF}};

QString hexEscape(char32_t cp)
{
    if ((cp >= u'0' && cp <= u'9') || (cp >= u'a' && cp <= u'z') || (cp >= u'A' && cp <= u'Z'))
        return QString(QChar(char16_t(cp)));
    return QStringLiteral("\\x{%1}").arg(uint(cp), 0, 16);
}

QString rangeText(char32_t lo, char32_t hi)
{
    return lo == hi ? hexEscape(lo) : hexEscape(lo) + u'-' + hexEscape(hi);
}

QString spaceClassBody(bool negated)
{
    QString body;
    if (!negated) {
        for (const auto& r : kSpaceRanges)
            body += rangeText(r[0], r[1]);
        return body;
    }
    char32_t next = 0;
    for (const auto& r : kSpaceRanges) {
        if (r[0] > next)
            body += rangeText(next, r[0] - 1);
        next = r[1] + 1;
    }
    body += rangeText(next, kMaxCodePoint);
    return body;
}

// One element of a character class: a range of code points, or a class
// escape ('d', 'D', 'w', 'W', 's', 'S').
struct ClassItem
{
    char32_t lo = 0;
    char32_t hi = 0;
    char escape = 0;
};

class Reader
{
public:
    Reader(const QString& pattern, bool caseSensitive) : m_p(pattern), m_caseSensitive(caseSensitive) {}

    PatternTranslator::Result run()
    {
        PatternTranslator::Result r;
        m_groups = countGroups();
        r.groups = m_groups;
        r.valid = parse();
        if (!r.valid)
            return r;
        r.pcre2 = m_pcre;
        r.re2Usable = m_re2Ok;
        if (m_re2Ok)
            r.re2 = m_re2.toStdString();
        return r;
    }

private:
    bool atEnd() const { return m_i >= m_p.size(); }
    char16_t peek(qsizetype ahead = 0) const
    {
        return m_i + ahead < m_p.size() ? m_p.at(m_i + ahead).unicode() : char16_t(0xFFFF);
    }

    void put(const QString& both)
    {
        m_pcre += both;
        m_re2 += both;
    }

    // Capturing groups of the whole pattern, needed before the first '\n'
    // can be read as a back reference or an octal escape.
    int countGroups() const
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

    // A source character, a surrogate pair read whole. A lone surrogate
    // cannot be matched by either engine: it makes the pattern invalid.
    bool readCodePoint(char32_t& cp)
    {
        const QChar c = m_p.at(m_i++);
        if (c.isHighSurrogate() && !atEnd() && m_p.at(m_i).isLowSurrogate()) {
            cp = QChar::surrogateToUcs4(c, m_p.at(m_i++));
            return true;
        }
        cp = c.unicode();
        return !c.isSurrogate();
    }

    int hexDigits(qsizetype from, int count) const
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
    static int hexValue(char16_t c)
    {
        if (c >= u'0' && c <= u'9')
            return c - u'0';
        if (c >= u'a' && c <= u'f')
            return c - u'a' + 10;
        if (c >= u'A' && c <= u'F')
            return c - u'A' + 10;
        return -1;
    }

    // After the backslash: a character escape common to classes and the
    // rest of the pattern. m_i is on the escape letter. Returns false on a
    // syntax error; sets cp, or escape for a class escape.
    bool readEscape(char32_t& cp, char& escape, bool inClass)
    {
        escape = 0;
        if (atEnd())
            return false; // a trailing backslash
        const char16_t c = peek();
        switch (c) {
        case u'd': case u'D': case u'w': case u'W': case u's': case u'S':
            escape = char(c);
            ++m_i;
            return true;
        case u't': cp = 0x09; ++m_i; return true;
        case u'n': cp = 0x0A; ++m_i; return true;
        case u'v': cp = 0x0B; ++m_i; return true;
        case u'f': cp = 0x0C; ++m_i; return true;
        case u'r': cp = 0x0D; ++m_i; return true;
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

    bool parseClass()
    {
        ++m_i; // '['
        const bool negated = peek() == u'^';
        if (negated)
            ++m_i;
        std::vector<ClassItem> items;
        const auto readAtom = [&](ClassItem& item) {
            if (m_p.at(m_i) == u'\\') {
                ++m_i;
                char32_t cp = 0;
                char escape = 0;
                if (!readEscape(cp, escape, true))
                    return false;
                item = {cp, cp, escape};
                return true;
            }
            char32_t cp = 0;
            if (!readCodePoint(cp))
                return false;
            item = {cp, cp, 0};
            return true;
        };
        for (;;) {
            if (atEnd())
                return false;
            if (peek() == u']') {
                ++m_i;
                break;
            }
            ClassItem first;
            if (!readAtom(first))
                return false;
            if (peek() == u'-' && m_i + 1 < m_p.size() && peek(1) != u']') {
                ++m_i;
                ClassItem second;
                if (!readAtom(second))
                    return false;
                if (first.escape || second.escape) {
                    // A class escape cannot bound a range: all three are members.
                    items.push_back(first);
                    items.push_back({u'-', u'-', 0});
                    items.push_back(second);
                    continue;
                }
                if (first.lo > second.lo)
                    return false;
                items.push_back({first.lo, second.lo, 0});
                continue;
            }
            items.push_back(first);
        }

        if (items.empty()) {
            // '[]' matches nothing, '[^]' any character.
            const QString text = negated ? QStringLiteral("[\\x{0}-\\x{10ffff}]")
                                         : QStringLiteral("[^\\x{0}-\\x{10ffff}]");
            put(text);
            return true;
        }
        QString body;
        QString re2Words; // '\w' and '\W' kept apart from folding in RE2
        for (const ClassItem& item : items) {
            switch (item.escape) {
            case 's':
            case 'S':
                body += spaceClassBody(item.escape == 'S');
                break;
            case 'd':
            case 'D':
                body += u'\\' + QChar(char16_t(item.escape));
                break;
            case 'w':
            case 'W':
                re2Words += QStringLiteral("|(?-i:\\%1)").arg(QChar(char16_t(item.escape)));
                break;
            default:
                body += rangeText(item.lo, item.hi);
            }
        }
        QString pcreBody = body;
        for (const ClassItem& item : items) {
            if (item.escape == 'w' || item.escape == 'W')
                pcreBody += u'\\' + QChar(char16_t(item.escape));
        }
        m_pcre += (negated ? QStringLiteral("[^") : QStringLiteral("[")) + pcreBody + u']';
        if (re2Words.isEmpty() || m_caseSensitive) {
            m_re2 += (negated ? QStringLiteral("[^") : QStringLiteral("[")) + pcreBody + u']';
        } else if (negated) {
            // RE2 would fold letter case into the complement of '\w'.
            m_re2Ok = false;
        } else {
            m_re2 += QStringLiteral("(?:") + (body.isEmpty() ? QString() : u'[' + body + u']') +
                     (body.isEmpty() ? re2Words.mid(1) : re2Words) + u')';
        }
        return true;
    }

    // '{n}', '{n,}' or '{n,m}' at m_i; anything else leaves m_i alone and
    // the brace is a literal.
    bool readBraces(quint64& min, quint64& max, bool& unbounded)
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

    bool parse()
    {
        enum class Kind { Plain, Lookahead, Lookbehind };
        std::vector<Kind> open;
        bool quantifiable = false;
        while (!atEnd()) {
            const char16_t c = peek();
            if (c == u'*' || c == u'+' || c == u'?' || c == u'{') {
                quint64 min = 0, max = 0;
                bool unbounded = false;
                QString text;
                if (c == u'{') {
                    const qsizetype at = m_i;
                    if (!readBraces(min, max, unbounded)) {
                        putLiteral(c);
                        ++m_i;
                        quantifiable = true;
                        continue;
                    }
                    if (!unbounded && min > max)
                        return false;
                    if (min > kRe2MaxCount || (!unbounded && max > kRe2MaxCount))
                        m_re2Ok = false;
                    text = m_p.mid(at, m_i - at);
                } else {
                    text = QChar(c);
                    ++m_i;
                }
                if (!quantifiable)
                    return false;
                if (peek() == u'?') {
                    text += u'?';
                    ++m_i;
                }
                put(text);
                quantifiable = false;
                continue;
            }
            switch (c) {
            case u'^':
            case u'$':
            case u'|':
                put(QString(QChar(c)));
                ++m_i;
                quantifiable = false;
                continue;
            case u'.':
                put(QStringLiteral("[^\\x{a}\\x{d}\\x{2028}\\x{2029}]"));
                ++m_i;
                quantifiable = true;
                continue;
            case u'[':
                if (!parseClass())
                    return false;
                quantifiable = true;
                continue;
            case u'(':
                if (!openGroup(open))
                    return false;
                quantifiable = false;
                continue;
            case u')': {
                if (open.empty())
                    return false;
                const Kind kind = open.back();
                open.pop_back();
                put(QStringLiteral(")"));
                ++m_i;
                // Only a lookahead may take a quantifier among the assertions.
                quantifiable = kind != Kind::Lookbehind;
                continue;
            }
            case u'\\':
                if (!parseEscape(quantifiable))
                    return false;
                continue;
            default:
                break;
            }
            char32_t cp = 0;
            if (!readCodePoint(cp))
                return false;
            putLiteral(cp);
            quantifiable = true;
        }
        return open.empty();
    }

    template <typename Stack> bool openGroup(Stack& open)
    {
        using Kind = typename Stack::value_type;
        const QStringView rest = QStringView(m_p).mid(m_i);
        if (!rest.startsWith(u"(?")) {
            open.push_back(Kind::Plain);
            put(QStringLiteral("("));
            m_i += 1;
            return true;
        }
        if (rest.startsWith(u"(?:")) {
            open.push_back(Kind::Plain);
            put(QStringLiteral("(?:"));
            m_i += 3;
            return true;
        }
        const bool ahead = rest.startsWith(u"(?=") || rest.startsWith(u"(?!");
        const bool behind = rest.startsWith(u"(?<=") || rest.startsWith(u"(?<!");
        if (ahead || behind) {
            const qsizetype len = ahead ? 3 : 4;
            open.push_back(ahead ? Kind::Lookahead : Kind::Lookbehind);
            m_pcre += rest.left(len);
            m_re2Ok = false;
            m_i += len;
            return true;
        }
        if (rest.startsWith(u"(?<")) {
            // A named group captures like any other; the name is not kept.
            qsizetype j = 3;
            while (j < rest.size() && (rest.at(j).isLetterOrNumber() || rest.at(j) == u'_' || rest.at(j) == u'$'))
                ++j;
            if (j == 3 || j >= rest.size() || rest.at(j) != u'>' || rest.at(3).isDigit())
                return false;
            open.push_back(Kind::Plain);
            put(QStringLiteral("("));
            m_i += j + 1;
            return true;
        }
        return false;
    }

    bool parseEscape(bool& quantifiable)
    {
        ++m_i; // the backslash
        if (peek() == u'b' || peek() == u'B') {
            // RE2 reads '\B' byte by byte, so it holds between the bytes of
            // one UTF-8 character and could match the empty text there.
            if (peek() == u'B')
                m_re2Ok = false;
            put(QStringLiteral("\\") + QChar(peek()));
            ++m_i;
            quantifiable = false;
            return true;
        }
        char32_t cp = 0;
        char escape = 0;
        if (!readEscape(cp, escape, false))
            return false;
        quantifiable = true;
        switch (escape) {
        case 0:
            putLiteral(cp);
            return true;
        case 'k':
            // The group number in braces: a digit after it is a literal.
            m_pcre += QStringLiteral("\\g{%1}").arg(uint(cp));
            m_re2Ok = false;
            return true;
        case 's':
        case 'S':
            put(u'[' + spaceClassBody(escape == 'S') + u']');
            return true;
        case 'w':
        case 'W':
            m_pcre += u'\\' + QChar(char16_t(escape));
            m_re2 += QStringLiteral("(?-i:\\%1)").arg(QChar(char16_t(escape)));
            return true;
        default:
            put(u'\\' + QChar(char16_t(escape)));
            return true;
        }
    }

    void putLiteral(char32_t cp) { put(hexEscape(cp)); }

    const QString& m_p;
    const bool m_caseSensitive;
    qsizetype m_i = 0;
    int m_groups = 0;
    QString m_pcre;
    QString m_re2;
    bool m_re2Ok = true;
};

} // namespace

PatternTranslator::Result PatternTranslator::translate(const QString& pattern, bool caseSensitive)
{
    return Reader(pattern, caseSensitive).run();
}
