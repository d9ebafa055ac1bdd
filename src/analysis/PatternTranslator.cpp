#include "analysis/PatternTranslator.h"

#include "analysis/PatternCharClass.h"

namespace {

// RE2 refuses larger counts; PCRE2 refuses counts above 65535 itself.
constexpr quint64 kRe2MaxCount = 1000;

} // namespace

PatternTranslator::Result PatternTranslator::translate(const QString& pattern, bool caseSensitive)
{
    PatternTranslator translator(pattern, caseSensitive);
    Result r;
    r.groups = translator.m_in.groups();
    r.valid = translator.translateAll();
    if (!r.valid)
        return r;
    r.pcre2 = translator.m_pcre;
    r.re2Usable = translator.m_re2Ok;
    if (translator.m_re2Ok)
        r.re2 = translator.m_re2.toStdString();
    return r;
}

PatternTranslator::PatternTranslator(const QString& pattern, bool caseSensitive)
    : m_in(pattern), m_caseSensitive(caseSensitive)
{}

void PatternTranslator::put(const QString& both)
{
    m_pcre += both;
    m_re2 += both;
}

void PatternTranslator::putLiteral(char32_t cp)
{
    put(PatternCharClass::codePointText(cp));
}

bool PatternTranslator::translateAll()
{
    // Whether the last thing written may take a quantifier.
    bool quantifiable = false;
    while (!m_in.atEnd()) {
        const char16_t c = m_in.peek();
        if (c == u'*' || c == u'+' || c == u'?' || c == u'{') {
            if (!translateQuantifier(quantifiable))
                return false;
            continue;
        }
        switch (c) {
        case u'^':
        case u'$':
        case u'|':
            put(QString(QChar(c)));
            m_in.skip();
            quantifiable = false;
            continue;
        case u'.':
            put(QStringLiteral("[^\\x{a}\\x{d}\\x{2028}\\x{2029}]"));
            m_in.skip();
            quantifiable = true;
            continue;
        case u'[':
            if (!translateClass())
                return false;
            quantifiable = true;
            continue;
        case u'(':
            if (!openGroup())
                return false;
            quantifiable = false;
            continue;
        case u')': {
            if (m_open.empty())
                return false;
            const Group kind = m_open.back();
            m_open.pop_back();
            put(QStringLiteral(")"));
            m_in.skip();
            // Only a lookahead may take a quantifier among the assertions.
            quantifiable = kind != Group::Lookbehind;
            continue;
        }
        case u'\\':
            if (!translateEscape(quantifiable))
                return false;
            continue;
        default:
            break;
        }
        char32_t cp = 0;
        if (!m_in.readCodePoint(cp))
            return false;
        putLiteral(cp);
        quantifiable = true;
    }
    return m_open.empty();
}

// '*', '+', '?' or a count in braces, with the '?' that makes it lazy. A brace
// that opens no valid count is a literal.
bool PatternTranslator::translateQuantifier(bool& quantifiable)
{
    const char16_t c = m_in.peek();
    QString text;
    if (c == u'{') {
        const qsizetype at = m_in.position();
        quint64 min = 0, max = 0;
        bool unbounded = false;
        if (!m_in.readBraces(min, max, unbounded)) {
            putLiteral(c);
            m_in.skip();
            quantifiable = true;
            return true;
        }
        if (!unbounded && min > max)
            return false;
        if (min > kRe2MaxCount || (!unbounded && max > kRe2MaxCount))
            m_re2Ok = false;
        text = m_in.text(at, m_in.position());
    } else {
        text = QChar(c);
        m_in.skip();
    }
    if (!quantifiable)
        return false;
    if (m_in.peek() == u'?') {
        text += u'?';
        m_in.skip();
    }
    put(text);
    quantifiable = false;
    return true;
}

bool PatternTranslator::translateClass()
{
    PatternCharClass charClass;
    if (!charClass.read(m_in))
        return false;
    m_pcre += charClass.pcre2Text();
    QString re2;
    if (charClass.re2Text(m_caseSensitive, re2))
        m_re2 += re2;
    else
        m_re2Ok = false;
    return true;
}

bool PatternTranslator::openGroup()
{
    const QStringView rest = m_in.rest();
    if (!rest.startsWith(u"(?")) {
        m_open.push_back(Group::Plain);
        put(QStringLiteral("("));
        m_in.skip(1);
        return true;
    }
    if (rest.startsWith(u"(?:")) {
        m_open.push_back(Group::Plain);
        put(QStringLiteral("(?:"));
        m_in.skip(3);
        return true;
    }
    const bool ahead = rest.startsWith(u"(?=") || rest.startsWith(u"(?!");
    const bool behind = rest.startsWith(u"(?<=") || rest.startsWith(u"(?<!");
    if (ahead || behind) {
        const qsizetype len = ahead ? 3 : 4;
        m_open.push_back(ahead ? Group::Lookahead : Group::Lookbehind);
        m_pcre += rest.left(len);
        m_re2Ok = false;
        m_in.skip(len);
        return true;
    }
    if (rest.startsWith(u"(?<")) {
        // A named group captures like any other; the name is not kept.
        qsizetype j = 3;
        while (j < rest.size() && (rest.at(j).isLetterOrNumber() || rest.at(j) == u'_' || rest.at(j) == u'$'))
            ++j;
        if (j == 3 || j >= rest.size() || rest.at(j) != u'>' || rest.at(3).isDigit())
            return false;
        m_open.push_back(Group::Plain);
        put(QStringLiteral("("));
        m_in.skip(j + 1);
        return true;
    }
    return false;
}

bool PatternTranslator::translateEscape(bool& quantifiable)
{
    m_in.skip(); // the backslash
    const char16_t letter = m_in.peek();
    if (letter == u'b' || letter == u'B') {
        // RE2 reads '\B' byte by byte, so it holds between the bytes of
        // one UTF-8 character and could match the empty text there.
        if (letter == u'B')
            m_re2Ok = false;
        put(QStringLiteral("\\") + QChar(letter));
        m_in.skip();
        quantifiable = false;
        return true;
    }
    char32_t cp = 0;
    char escape = 0;
    if (!m_in.readEscape(cp, escape, false))
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
        put(u'[' + PatternCharClass::spaceRanges(escape == 'S') + u']');
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
