#include "analysis/PatternCharClass.h"

#include "analysis/PatternReader.h"

namespace {

constexpr char32_t kMaxCodePoint = 0x10FFFF;

// ECMAScript's white space and line terminators, as ranges; '\S' is the rest.
constexpr char32_t kSpaceRanges[][2] = {
    {0x09, 0x0D},     {0x20, 0x20},     {0xA0, 0xA0},     {0x1680, 0x1680}, {0x2000, 0x200A},
    {0x2028, 0x2029}, {0x202F, 0x202F}, {0x205F, 0x205F}, {0x3000, 0x3000}, {0xFEFF, 0xFEFF}};

QString rangeText(char32_t lo, char32_t hi)
{
    return lo == hi ? PatternCharClass::codePointText(lo)
                    : PatternCharClass::codePointText(lo) + u'-' + PatternCharClass::codePointText(hi);
}

} // namespace

QString PatternCharClass::codePointText(char32_t cp)
{
    if ((cp >= u'0' && cp <= u'9') || (cp >= u'a' && cp <= u'z') || (cp >= u'A' && cp <= u'Z'))
        return QString(QChar(char16_t(cp)));
    return QStringLiteral("\\x{%1}").arg(uint(cp), 0, 16);
}

QString PatternCharClass::spaceRanges(bool negated)
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

bool PatternCharClass::readItem(PatternReader& in, Item& item)
{
    char32_t cp = 0;
    if (in.peek() == u'\\') {
        in.skip();
        char escape = 0;
        if (!in.readEscape(cp, escape, true))
            return false;
        item = {cp, cp, escape};
        return true;
    }
    if (!in.readCodePoint(cp))
        return false;
    item = {cp, cp, 0};
    return true;
}

bool PatternCharClass::read(PatternReader& in)
{
    m_items.clear();
    in.skip(); // '['
    m_negated = in.peek() == u'^';
    if (m_negated)
        in.skip();
    for (;;) {
        if (in.atEnd())
            return false;
        if (in.peek() == u']') {
            in.skip();
            return true;
        }
        Item first;
        if (!readItem(in, first))
            return false;
        if (in.peek() == u'-' && in.rest().size() > 1 && in.peek(1) != u']') {
            in.skip();
            Item second;
            if (!readItem(in, second))
                return false;
            if (first.escape || second.escape) {
                // A class escape cannot bound a range: all three are members.
                m_items.push_back(first);
                m_items.push_back({u'-', u'-', 0});
                m_items.push_back(second);
                continue;
            }
            if (first.lo > second.lo)
                return false;
            m_items.push_back({first.lo, second.lo, 0});
            continue;
        }
        m_items.push_back(first);
    }
}

QString PatternCharClass::bracketed(const QString& body) const
{
    return (m_negated ? QStringLiteral("[^") : QStringLiteral("[")) + body + u']';
}

QString PatternCharClass::body() const
{
    QString body;
    for (const Item& item : m_items) {
        switch (item.escape) {
        case 's':
        case 'S':
            body += spaceRanges(item.escape == 'S');
            break;
        case 'd':
        case 'D':
            body += u'\\' + QChar(char16_t(item.escape));
            break;
        case 'w':
        case 'W':
            break;
        default:
            body += rangeText(item.lo, item.hi);
        }
    }
    return body;
}

QString PatternCharClass::pcre2Text() const
{
    if (m_items.empty()) {
        // '[]' matches nothing, '[^]' any character.
        return m_negated ? QStringLiteral("[\\x{0}-\\x{10ffff}]") : QStringLiteral("[^\\x{0}-\\x{10ffff}]");
    }
    QString words;
    for (const Item& item : m_items) {
        if (item.escape == 'w' || item.escape == 'W')
            words += u'\\' + QChar(char16_t(item.escape));
    }
    return bracketed(body() + words);
}

bool PatternCharClass::re2Text(bool caseSensitive, QString& text) const
{
    QString words;
    for (const Item& item : m_items) {
        if (item.escape == 'w' || item.escape == 'W')
            words += QStringLiteral("|(?-i:\\%1)").arg(QChar(char16_t(item.escape)));
    }
    if (words.isEmpty() || caseSensitive) {
        text = pcre2Text();
        return true;
    }
    // RE2 folds letter case into '\w' and '\W' when matching without regard
    // to case, which ECMAScript does not: they are kept out of the folding as
    // alternatives beside the rest of the class. The complement of such an
    // alternation cannot be written.
    if (m_negated)
        return false;
    const QString rest = body();
    text = QStringLiteral("(?:") + (rest.isEmpty() ? words.mid(1) : u'[' + rest + u']' + words) + u')';
    return true;
}
