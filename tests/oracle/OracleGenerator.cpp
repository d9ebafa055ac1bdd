#include "OracleGenerator.h"

#include <iterator>

namespace {

constexpr qsizetype kMaxSubject = 20;

// Characters worth matching: the ASCII that patterns are made of, letters
// whose case mappings are unusual, every kind of white space and line break,
// halves of astral characters and lone surrogates.
constexpr char16_t kPool[] = {
    u'a', u'b', u'c', u'k', u's', u'x', u'A', u'B', u'K', u'S', u'0', u'1', u'9', u'_', u'-', u' ', u'@', u'.',
    u'<', u'>', u'"', u'=', u'/', u'!', u'$', 0x09, 0x0A, 0x0D, 0x0B, 0x0C, 0x00, 0x08, 0x11, 0x1F, 0x7F,
    // Latin-1 and other letters whose upper case is special
    0xA0, 0xAA, 0xB5, 0xC5, 0xC9, 0xDF, 0xE5, 0xE9, 0xFF, 0x130, 0x131, 0x149, 0x178, 0x17F, 0x1C4, 0x1C5,
    0x1C6, 0x1F0, 0x345, 0x390, 0x398, 0x399, 0x3A3, 0x3A9, 0x3B8, 0x3B9, 0x3C2, 0x3C3, 0x3C9, 0x3D1, 0x3F4,
    0x412, 0x432, 0x1C80, 0x10A0, 0x2D00, 0x13A0, 0xAB70, 0x13F8, 0x1E9E, 0x1F80, 0x1F88, 0x1FB3, 0x1FBC,
    0x1FBE, 0x2126, 0x212A, 0x212B, 0x2C65, 0x23A, 0xA7AE, 0xFB00, 0xFF21, 0xFF41, 0x4E00,
    // white space and line terminators
    0x85, 0x1680, 0x180E, 0x2000, 0x200A, 0x200B, 0x2028, 0x2029, 0x202F, 0x205F, 0x3000, 0xFEFF, 0xFFFD,
    // surrogates: halves of U+1F600 and U+10400 / U+10428, and the ends
    0xD83D, 0xDE00, 0xD801, 0xDC00, 0xDC28, 0xD800, 0xDBFF, 0xDFFF};

// Groups of characters that some notion of letter case puts together.
const char16_t* const kCaseGroups[] = {
    u"kK\u212A",          u"sS\u017F",       u"\u00DF\u1E9E",        u"\u00E5\u00C5\u212B",
    u"\u03C9\u03A9\u2126", u"\u03B8\u0398\u03D1\u03F4", u"\u1F80\u1F88", u"\u01C4\u01C5\u01C6",
    u"\u03C3\u03C2\u03A3", u"\u00B5\u039C\u03BC", u"iI\u0130\u0131",   u"\u00FF\u0178",
    u"\u00E9\u00C9",       u"\uAB70\u13A0",   u"\u13F8\u13F0",        u"\u0432\u0412\u1C80",
    u"\u0399\u03B9\u0345\u1FBE", u"\u1FB3\u1FBC", u"\u2D00\u10A0",    u"\u2C65\u023A",
    u"\uFF21\uFF41",       u"\u01F0",          u"\u0149"};

} // namespace

uint64_t OracleGenerator::Random::next()
{
    // splitmix64: the same numbers on every platform and compiler.
    uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

OracleCase OracleGenerator::make(uint64_t index)
{
    m_random = Random(m_seed * 0x100000001B3ull + index);
    m_groups = 0;
    m_names.clear();
    m_literals.clear();
    OracleCase c;
    if (m_realistic && m_random.chance(12)) {
        realistic(c);
        return c;
    }
    c.pattern = disjunction(0);
    if (m_random.chance(4))
        c.pattern = spoil(c.pattern);
    c.subject = subject();
    c.replacement = replacement();
    c.caseSensitive = m_random.chance(40);
    return c;
}

QString OracleGenerator::disjunction(int depth)
{
    const int roll = m_random.below(10);
    const int alternatives = roll < 7 ? 1 : roll < 9 ? 2 : 3;
    QString out;
    for (int i = 0; i < alternatives; ++i) {
        if (i > 0)
            out += u'|';
        out += alternative(depth);
    }
    return out;
}

QString OracleGenerator::alternative(int depth)
{
    static const int weights[] = {4, 30, 30, 20, 16};
    int roll = m_random.below(100);
    int terms = 0;
    while (roll >= weights[terms]) {
        roll -= weights[terms];
        ++terms;
    }
    if (depth >= 3)
        terms = std::min(terms, 2);
    QString out;
    for (int i = 0; i < terms; ++i)
        out += term(depth);
    return out;
}

QString OracleGenerator::term(int depth)
{
    if (m_random.chance(9)) {
        static const char* const assertions[] = {"^", "$", "\\b", "\\B"};
        return QString::fromLatin1(assertions[m_random.below(4)]);
    }
    bool quantifiable = true;
    QString out = atom(depth, quantifiable);
    if (m_random.chance(quantifiable ? 35 : 3))
        out += quantifier();
    return out;
}

QString OracleGenerator::atom(int depth, bool& quantifiable)
{
    const int roll = m_random.below(100);
    if (roll < 40)
        return literal(false);
    if (roll < 46)
        return QStringLiteral(".");
    if (roll < 56)
        return atomEscape();
    if (roll < 70)
        return characterClass();
    if (roll < 94 && depth < 4) {
        const QString g = group(depth);
        quantifiable = !g.startsWith(u"(?<=") && !g.startsWith(u"(?<!");
        return g;
    }
    // A back reference, sometimes to a group not (yet) opened, or by name.
    if (!m_names.isEmpty() && m_random.chance(30))
        return QStringLiteral("\\k<%1>").arg(m_names.at(m_random.below(int(m_names.size()))));
    return QStringLiteral("\\%1").arg(1 + m_random.below(std::max(1, m_groups + 1)));
}

QString OracleGenerator::group(int depth)
{
    const int roll = m_random.below(100);
    QString open;
    if (roll < 45) {
        open = QStringLiteral("(");
        ++m_groups;
    } else if (roll < 70) {
        open = QStringLiteral("(?:");
    } else if (roll < 78) {
        open = QStringLiteral("(?=");
    } else if (roll < 85) {
        open = QStringLiteral("(?!");
    } else if (roll < 92) {
        static const char* const names[] = {"a", "b", "n1", "$x", "_"};
        QString name = QString::fromLatin1(names[m_random.below(5)]);
        if (m_names.contains(name) && !m_random.chance(10))
            name += QString::number(m_names.size());
        m_names << name;
        ++m_groups;
        open = QStringLiteral("(?<%1>").arg(name);
    } else if (roll < 96) {
        open = QStringLiteral("(?<=");
    } else {
        open = QStringLiteral("(?<!");
    }
    return open + disjunction(depth + 1) + u')';
}

QString OracleGenerator::quantifier()
{
    QString q;
    const int roll = m_random.below(100);
    const auto small = [&] { return m_random.below(4); };
    if (roll < 25) {
        q = QStringLiteral("*");
    } else if (roll < 45) {
        q = QStringLiteral("+");
    } else if (roll < 65) {
        q = QStringLiteral("?");
    } else if (roll < 75) {
        q = QStringLiteral("{%1}").arg(small());
    } else if (roll < 83) {
        q = QStringLiteral("{%1,}").arg(small());
    } else if (roll < 96) {
        const int lo = small();
        q = QStringLiteral("{%1,%2}").arg(lo).arg(lo + small());
    } else {
        static const char* const big[] = {"{1000}",      "{1001}",      "{0,1000}", "{2,1001}",
                                          "{65535}",     "{65536}",     "{5535}",   "{0,65536}",
                                          "{99999999999}", "{3,2}",     "{1,99999999999}"};
        q = QString::fromLatin1(big[m_random.below(int(std::size(big)))]);
    }
    if (m_random.chance(25))
        q += u'?';
    return q;
}

QString OracleGenerator::characterClass()
{
    QString out = QStringLiteral("[");
    if (m_random.chance(30))
        out += u'^';
    const int items = m_random.below(5);
    for (int i = 0; i < items; ++i) {
        if (m_random.chance(25)) {
            // A range, usually with its ends in order.
            char16_t lo = poolUnit();
            char16_t hi = poolUnit();
            if (lo > hi && m_random.chance(92))
                std::swap(lo, hi);
            out += unitText(lo, true) + u'-' + unitText(hi, true);
            continue;
        }
        out += classAtom();
    }
    return out + u']';
}

QString OracleGenerator::classAtom()
{
    const int roll = m_random.below(100);
    if (roll < 55)
        return literal(true);
    if (roll < 70) {
        static const char* const escapes[] = {"\\d", "\\D", "\\w", "\\W", "\\s", "\\S"};
        return QString::fromLatin1(escapes[m_random.below(6)]);
    }
    static const char* const odd[] = {"\\b", "\\B", "\\-", "-",     "\\c1", "\\c_", "\\cA", "\\cz",
                                      "\\c",  "\\c-", "\\0", "\\07", "\\8",  "\\k",  "\\]", "\\^",
                                      "^",   "[",   "\\u{41}", "\\x4g", "\\1", "\\c["};
    return QString::fromLatin1(odd[m_random.below(int(std::size(odd)))]);
}

QString OracleGenerator::atomEscape()
{
    const int roll = m_random.below(100);
    if (roll < 45) {
        static const char* const escapes[] = {"\\d", "\\D", "\\w", "\\W", "\\s", "\\S"};
        return QString::fromLatin1(escapes[m_random.below(6)]);
    }
    static const char* const odd[] = {"\\t",  "\\n",    "\\r",   "\\v",   "\\f",  "\\0",    "\\cA", "\\cz",
                                      "\\c1", "\\c",    "\\c_",  "\\.",   "\\*",  "\\\\",   "\\/",  "\\\"",
                                      "\\-",  "\\h",    "\\K",   "\\y",   "\\8",  "\\9",    "\\k",  "\\01",
                                      "\\101", "\\7",   "\\u{41}", "\\x4", "\\u12", "\\p{L}", "\\e", "\\_"};
    return QString::fromLatin1(odd[m_random.below(int(std::size(odd)))]);
}

char16_t OracleGenerator::poolUnit()
{
    if (!m_literals.isEmpty() && m_random.chance(20))
        return m_literals.at(m_random.below(int(m_literals.size()))).unicode();
    return kPool[m_random.below(int(std::size(kPool)))];
}

// A literal character of the pattern: itself, escaped when it would mean
// something else, or spelled as \x or \u.
QString OracleGenerator::literal(bool inClass)
{
    if (!inClass && m_random.chance(8)) {
        // A character and its surrogate pair neighbour, as an astral literal.
        static const char16_t* const astral[] = {u"\U0001F600", u"\U00010400", u"\U00010428"};
        const QString pair = QString::fromUtf16(astral[m_random.below(3)]);
        m_literals += pair;
        return pair;
    }
    return unitText(poolUnit(), inClass);
}

QString OracleGenerator::unitText(char16_t unit, bool inClass)
{
    m_literals += QChar(unit);
    const int roll = m_random.below(100);
    if (roll < 12 && unit < 0x100)
        return QStringLiteral("\\x%1").arg(uint(unit), 2, 16, QChar(u'0'));
    if (roll < 24)
        return QStringLiteral("\\u%1").arg(uint(unit), 4, 16, QChar(u'0'));
    if (unit == 0 || unit == 0x0A || unit == 0x0D)
        return QStringLiteral("\\u%1").arg(uint(unit), 4, 16, QChar(u'0'));
    const QString specials = inClass ? QStringLiteral("\\]^-[") : QStringLiteral("\\^$.*+?()[]{}|");
    if (specials.contains(QChar(unit)))
        return u'\\' + QChar(unit);
    return QString(QChar(unit));
}

QString OracleGenerator::otherCase(char16_t unit)
{
    for (const char16_t* group : kCaseGroups) {
        const QString members = QString::fromUtf16(group);
        if (members.contains(QChar(unit)))
            return QString(members.at(m_random.below(int(members.size()))));
    }
    const QString text{QChar(unit)};
    return m_random.chance(50) ? text.toUpper() : text.toLower();
}

QString OracleGenerator::subject()
{
    QString s;
    const int pieces = m_random.below(8);
    for (int i = 0; i < pieces; ++i) {
        const int roll = m_random.below(100);
        if (roll < 45 && !m_literals.isEmpty()) {
            const int at = m_random.below(int(m_literals.size()));
            const int length = 1 + m_random.below(3);
            QString piece = m_literals.mid(at, length);
            if (m_random.chance(35)) {
                QString changed;
                for (const QChar c : piece)
                    changed += otherCase(c.unicode());
                piece = changed;
            }
            const int times = m_random.chance(20) ? 2 + m_random.below(3) : 1;
            for (int k = 0; k < times; ++k)
                s += piece;
        } else if (roll < 70) {
            s += QChar(kPool[m_random.below(int(std::size(kPool)))]);
        } else if (roll < 78) {
            s += QStringLiteral("\r\n");
        } else if (roll < 84) {
            static const char16_t* const astral[] = {u"\U0001F600", u"\U00010400", u"\U00010428", u"\U0001D400"};
            s += QString::fromUtf16(astral[m_random.below(4)]);
        } else {
            static const char* const words[] = {"ab", "aa", "b", " ", "a1_", "xyz", "K", "S"};
            s += QString::fromLatin1(words[m_random.below(int(std::size(words)))]);
        }
    }
    // Short enough that a pattern which backtracks exponentially still ends.
    return s.left(kMaxSubject);
}

QString OracleGenerator::replacement()
{
    static const char* const tokens[] = {"$&", "$1", "$2", "$$", "[", "]", "x", "$"};
    QString r;
    const int count = 1 + m_random.below(4);
    for (int i = 0; i < count; ++i)
        r += QString::fromLatin1(tokens[m_random.below(int(std::size(tokens)))]);
    // "$1$" followed by nothing is fine; a digit never follows a group number.
    return r;
}

// A syntax error, or a near miss that is still valid: a stray bracket or
// quantifier put anywhere.
QString OracleGenerator::spoil(QString pattern)
{
    static const char* const bits[] = {"(", ")", "[", "]", "{", "}", "*", "{1}", "{2,1}", "\\", "(?", "(?<", "\\k<a>"};
    const int at = m_random.below(int(pattern.size()) + 1);
    pattern.insert(at, QString::fromLatin1(bits[m_random.below(int(std::size(bits)))]));
    return pattern;
}

// Patterns such as people write for pages, on bits of pages: the shipped
// ones and their kin, sometimes with a piece of the grammar put in.
void OracleGenerator::realistic(OracleCase& c)
{
    static const char16_t* const patterns[] = {
        uR"x(<title>(.*)</title>)x",
        uR"x(<meta +name *=[\"']?description[\"']? *content=[\"']?([^<>\"]+)[\"']?)x",
        uR"x([A-Z0-9._%-]+@[A-Z0-9._%-]+\.[A-Z]{2,6})x",
        uR"x([A-Z0-9._%-]+\.[A-Z]{2,6})x",
        uR"x(<a(.*)href="http://(.*)example.com(.*)">(.*)</a>)x",
        uR"x(\b\w+@\w+\.\w+\b)x",
        uR"x(<a[^>]*href="([^"]*)")x",
        uR"x((\w+)\s+\1)x",
        uR"x((?<=@)[\w.]+)x",
        uR"x(https?://[^\s"'<>]+)x",
        uR"x(^\s*<!DOCTYPE)x",
        uR"x(\s+$)x",
        uR"x(caf\u00e9|stra\u00dfe)x",
        uR"x([\u00c0-\u024f]+)x",
        uR"x(<h1[^>]*>([\s\S]*?)</h1>)x",
        uR"x(\d{3}-\d{4})x"};
    static const char16_t* const pieces[] = {
        u"<title>Caf\u00e9 &amp; Stra\u00dfe</title>",
        u"<TITLE>Shop</TITLE>",
        u"<meta name=\"description\" content=\"Best tools\">",
        u"<META NAME='Description' CONTENT='Gr\u00fc\u00dfe aus K\u00f6ln'>",
        u"mail: info@example.com, Sales@Shop.CO.UK",
        u"<a href=\"http://www.example.com/\">Us</a>",
        u"<a class=x href=\"http://other.org/a\">them</a>",
        u"the the quick",
        u"https://t.co/x?y=1 ",
        u"\r\n",
        u"  \u00a0\u3000",
        u"<h1 id=t>Head\r\nline</h1>",
        u"555-1234",
        u"\U0001F600 \u212a\u017f\u1e9e",
        u"<!DOCTYPE html>"};
    c.pattern = QString::fromUtf16(patterns[m_random.below(int(std::size(patterns)))]);
    if (m_random.chance(30)) {
        const int at = m_random.below(int(c.pattern.size()) + 1);
        c.pattern.insert(at, term(2));
    }
    const int count = 1 + m_random.below(4);
    for (int i = 0; i < count; ++i)
        c.subject += QString::fromUtf16(pieces[m_random.below(int(std::size(pieces)))]);
    c.replacement = replacement();
    c.caseSensitive = m_random.chance(40);
}
