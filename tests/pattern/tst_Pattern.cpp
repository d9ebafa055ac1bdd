#include "pattern/AnalysisDeadline.h"
#include "pattern/Pattern.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>

namespace {

const QString kEmail = QStringLiteral(R"([A-Z0-9._%-]+@[A-Z0-9._%-]+\.[A-Z]{2,6})");
const QString kDomain = QStringLiteral(R"([A-Z0-9._%-]+\.[A-Z]{2,6})");

// 100 000 'a's and a 'b': '(a+)+$' backtracks exponentially on it.
QString catastrophicSubject()
{
    return QString(100000, u'a') + u'b';
}

// A directory page on one line: links to other sites and none back.
QString oneLineDirectoryPage(int links)
{
    QString page = QStringLiteral("<html><body>");
    for (int i = 0; i < links; ++i)
        page += QStringLiteral("<a href=\"http://site%1.other.org/\">Site %1</a> | ").arg(i);
    return page + QStringLiteral("</body></html>");
}

} // namespace

class PatternTests : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void lastMatch_data();
    void lastMatch();
    void globalSequence_data();
    void globalSequence();
    void replace_data();
    void replace();
    void test_data();
    void test();
    void invalidPatternFailsInEveryPrimitive();
    void stripLineBreaks_data();
    void stripLineBreaks();
    void domainFromUrl_data();
    void domainFromUrl();
    void longSubjectsMatchLikeOneSearch_data();
    void longSubjectsMatchLikeOneSearch();
    void longMixedTextsMatchWhereTheCharactersAre_data();
    void longMixedTextsMatchWhereTheCharactersAre();
    void everyStartPositionIsTried();
    void catastrophicPatternGivesFailureResults();
    void cacheKeepsCaseFlagsApart();
    void passedDeadlineLeavesEverySearchUndecided();
};

void PatternTests::lastMatch_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("subject");
    QTest::addColumn<QString>("expected");

    QTest::newRow("two addresses: the second wins")
        << kEmail << "Write to info@one.com or to SALES@two.org today."
        << "SALES@two.org";
    QTest::newRow("optional class ends on the empty match") << "[a]?"
                                                            << "xa"
                                                            << "";
    QTest::newRow("no match") << "zzz"
                              << "abc"
                              << "";
    QTest::newRow("invalid pattern") << "(abc"
                                     << "abc"
                                     << "";
    QTest::newRow("empty pattern") << ""
                                   << "abc"
                                   << "";
    QTest::newRow("whole match, never a group") << "<b>(.*)</b>"
                                                << "<b>x</b>"
                                                << "<b>x</b>";
    QTest::newRow("case ignored") << "<title>(.*)</title>"
                                  << "<TITLE>Up</TITLE>"
                                  << "<TITLE>Up</TITLE>";
    QTest::newRow("dot stops at LF") << "a.*b"
                                     << "a\nb"
                                     << "";
    QTest::newRow("dot stops at a lone CR") << "a.*b"
                                            << "a\rb"
                                            << "";
    QTest::newRow("greedy within one line") << "<title>(.*)</title>"
                                            << "<title>A</title><title>B</title>"
                                            << "<title>A</title><title>B</title>";
    QTest::newRow("caret only at the start") << "^b"
                                             << "a\nb"
                                             << "";
    QTest::newRow("dollar only at the very end") << "a$"
                                                 << "a\n"
                                                 << "";
    QTest::newRow("escaped quote is a quote") << R"(\"x\")"
                                              << R"(say "x")"
                                              << R"("x")";
    QTest::newRow("escaped dot is a dot") << R"(a\.b)"
                                          << "axb a.b"
                                          << "a.b";
    QTest::newRow("ECMAScript unicode escape") << R"(\u0041+)"
                                               << "xaAa"
                                               << "aAa";
    QTest::newRow("[^] takes any character") << "a[^]b"
                                             << "a\nb"
                                             << "a\nb";
    QTest::newRow("[] matches nothing") << "a[]"
                                        << "a"
                                        << "";
    QTest::newRow("unset back reference is empty") << R"((a)?\1b)"
                                                   << "b"
                                                   << "b";
    QTest::newRow("lone surrogate in the subject")
        << "b+" << QStringLiteral("a") + QChar(0xD800) + QStringLiteral("bb") << "bb";
    // JavaScript matches UTF-16 code units, not characters.
    QTest::newRow("dot takes one unit of an astral character")
        << "." << QString::fromUtf16(u"\U0001F600") << QString(QChar(0xDE00));
    QTest::newRow("dot takes a lone low surrogate") << "." << QString(QChar(0xDE00)) << QString(QChar(0xDE00));
    QTest::newRow("empty alternative of an optional group is refused") << "a(|b)?"
                                                                       << "ab"
                                                                       << "ab";
    QTest::newRow("quantified back reference to an unset group") << "(a)?\\1{2}b"
                                                                 << "b"
                                                                 << "b";
    QTest::newRow("a group repeated no times takes no part in the start")
        << "(?!|^){0}_"
        << "I_"
        << "_";
    QTest::newRow("named group and its reference") << "(?<a>x)\\k<a>"
                                                   << "xx"
                                                   << "xx";
    QTest::newRow("look-behind of any length") << "(?<=a+)b"
                                               << "aab"
                                               << "b";
}

void PatternTests::lastMatch()
{
    QFETCH(QString, pattern);
    QFETCH(QString, subject);
    QFETCH(QString, expected);
    QCOMPARE(RegexLastMatch(pattern, subject), expected);
}

// The order and extent of global matches, made visible by bracketing each one.
void PatternTests::globalSequence_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("subject");
    QTest::addColumn<QString>("expected");

    QTest::newRow("empty, match, empty at the end") << "a?"
                                                    << "xa"
                                                    << "[]x[a][]";
    QTest::newRow("empty pattern everywhere") << ""
                                              << "ab"
                                              << "[]a[]b[]";
    QTest::newRow("empty subject") << "x*"
                                   << ""
                                   << "[]";
    QTest::newRow("search resumes at the end of a match") << "aa"
                                                          << "aaaaa"
                                                          << "[aa][aa]a";
    QTest::newRow("empty iterations are refused") << "(?:|a)*"
                                                  << "aa"
                                                  << "[aa][]";
    QTest::newRow("empty match steps one code unit, into a surrogate pair")
        << "x?" << QString::fromUtf8("\xF0\x9F\x98\x80")
        << QStringLiteral("[]") + QChar(0xD83D) + QStringLiteral("[]") + QChar(0xDE00) + QStringLiteral("[]");
    // Literals and single quantified classes, the usual patterns of short texts.
    QTest::newRow("lazy plus takes one unit") << "a+?"
                                              << "aaa"
                                              << "[a][a][a]";
    QTest::newRow("lazy star is empty everywhere") << "a*?"
                                                   << "aa"
                                                   << "[]a[]a[]";
    QTest::newRow("counted, runs too short skipped") << "a{2,3}"
                                                     << "aaaaaaa ab aa"
                                                     << "[aaa][aaa]a ab [aa]";
    QTest::newRow("counted, right after a short run") << "a{2}"
                                                      << "abaa"
                                                      << "ab[aa]";
    QTest::newRow("counted, lazy") << "a{2,}?"
                                   << "aaaaa"
                                   << "[aa][aa]a";
    QTest::newRow("optional quote") << "[\"']?"
                                    << "x\"y"
                                    << "[]x[\"][]y[]";
    QTest::newRow("class in a group") << "(?:[ab])+"
                                      << "abcab"
                                      << "[ab]c[ab]";
    QTest::newRow("negated class") << "[^<>\"]+"
                                   << "<a href=\"x\">Text</a>"
                                   << "<[a href=]\"[x]\">[Text]<[/a]>";
    QTest::newRow("white space, CR LF included") << "\\s+"
                                                 << "a \t\r\nb"
                                                 << "a[ \t\r\n]b";
    QTest::newRow("literal with a group inside") << "x(?:y)z"
                                                 << "xyzxyz"
                                                 << "[xyz][xyz]";
    QTest::newRow("literal, no overlapping matches") << "aba"
                                                     << "ababa"
                                                     << "[aba]ba";
    QTest::newRow("literal, sharp s has no one-unit upper case")
        << QString::fromUtf16(u"stra\u00dfe") << QString::fromUtf16(u"STRA\u00dfE strasse")
        << QString::fromUtf16(u"[STRA\u00dfE] strasse");
    QTest::newRow("literal, Kelvin sign is no k") << "k" << QString::fromUtf16(u"\u212a k K")
                                                  << QString::fromUtf16(u"\u212a [k] [K]");
    // A field between two texts: '.*' takes the line, back to the last end text on it.
    QTest::newRow("between texts, to the last end on the line")
        << "<t>.*</t>" << "<t>a</t> <t>b</t>\r\n<t>c</t>" << "[<t>a</t> <t>b</t>]\r\n[<t>c</t>]";
    QTest::newRow("between texts, LF ends the line") << "<t>(.*)</t>"
                                                     << "<t>a\n</t><t>b</t>"
                                                     << "<t>a\n</t>[<t>b</t>]";
    QTest::newRow("between texts, CR ends the line") << "<t>.*</t>"
                                                     << "<t>a\r</t>"
                                                     << "<t>a\r</t>";
    QTest::newRow("between texts, line and paragraph separators end the line")
        << "<t>.*</t>" << QString::fromUtf16(u"<t>a\u2028</t>_<t>b\u2029c</t><t>d</t>")
        << QString::fromUtf16(u"<t>a\u2028</t>_<t>b\u2029c</t>[<t>d</t>]");
    QTest::newRow("between texts, next line's character is no line end")
        << "<t>.*</t>" << QString::fromUtf16(u"<t>\u0085</t>") << QString::fromUtf16(u"[<t>\u0085</t>]");
    QTest::newRow("between texts, case ignored") << "<T>.*</t>"
                                                 << "<t>X</T>"
                                                 << "[<t>X</T>]";
    QTest::newRow("between texts, end text overlapping itself") << "<t>.*aa"
                                                                << "<t>aaa"
                                                                << "[<t>aaa]";
    QTest::newRow("between texts, start without an end after a match") << "<t>.*</t>"
                                                                        << "<t>a</t>x<t>b"
                                                                        << "[<t>a</t>]x<t>b";
    QTest::newRow("between texts, start text inside the match") << "<t>.*</t>"
                                                                << "<t><t>a</t>"
                                                                << "[<t><t>a</t>]";
    // Long enough to be searched many bytes at a time; "<zqjx" has the
    // start text's rarest bytes but is not it.
    QTest::newRow("between texts, a near miss of the start text")
        << "<zqj>.*</zqj>" << QString(40, u'h') + QStringLiteral("<zqjx <zqj>a</zqjx </zqj>")
        << QString(40, u'h') + QStringLiteral("<zqjx [<zqj>a</zqjx </zqj>]");
    QTest::newRow("between texts, other characters inside")
        << "<t>.*</t>" << QString::fromUtf16(u"<t>\u00e9\u4e2d\U0001F600</t>")
        << QString::fromUtf16(u"[<t>\u00e9\u4e2d\U0001F600</t>]");
}

void PatternTests::globalSequence()
{
    QFETCH(QString, pattern);
    QFETCH(QString, subject);
    QFETCH(QString, expected);
    QCOMPARE(PatternReplace(pattern, subject, QStringLiteral("[$&]")), expected);
}

void PatternTests::replace_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("subject");
    QTest::addColumn<QString>("replacement");
    QTest::addColumn<bool>("caseSensitive");
    QTest::addColumn<QString>("expected");

    QTest::newRow("every match, case ignored") << "shop"
                                               << "Shop shop SHOP"
                                               << "x" << false << "x x x";
    QTest::newRow("case significant") << "shop"
                                      << "Online Shop"
                                      << "Store" << true << "Online Shop";
    QTest::newRow("case significant, same case") << "Shop"
                                                 << "Online Shop"
                                                 << "Store" << true << "Online Store";
    QTest::newRow("whole match") << "b+"
                                 << "abbc"
                                 << "<$&>" << false << "a<bb>c";
    QTest::newRow("groups") << "(\\w+)@(\\w+)"
                            << "me@host"
                            << "$2 at $1" << false << "host at me";
    QTest::newRow("double dollar") << "x"
                                   << "axb"
                                   << "$$" << false << "a$b";
    QTest::newRow("missing group stays as written") << "x"
                                                    << "axb"
                                                    << "[$9]" << false << "a[$9]b";
    QTest::newRow("unset group is empty") << "(y)?x"
                                          << "axb"
                                          << "[$1]" << false << "a[]b";
    QTest::newRow("$0 is literal") << "x"
                                   << "axb"
                                   << "$0" << false << "a$0b";
    QTest::newRow("$10 is group 1 and a zero") << "(x)"
                                               << "axb"
                                               << "$10" << false << "ax0b";
    QTest::newRow("other dollar uses are literal") << "x"
                                                   << "axb"
                                                   << "$<$'$`$" << false << "a$<$'$`$b";
    QTest::newRow("invalid pattern leaves the text") << "[abc"
                                                     << "abc"
                                                     << "z" << false << "abc";
    QTest::newRow("empty pattern, empty replacement") << ""
                                                      << "abc"
                                                      << "" << false << "abc";
    QTest::newRow("no match") << "q"
                              << "abc"
                              << "z" << false << "abc";
    // A backtracking engine tries 2^24 ways at the run of U+FFFD; the
    // answer is still exact, with the "c" before it replaced.
    QTest::newRow("exponential for a backtracking engine, decided")
        << QString::fromUtf16(u"(\ufffd|\ufffd)*?c|[^\\w\\d]?lass=\ufffd")
        << QStringLiteral("<a://(.*)examp|b)*?c|[^\\") + QString(24, QChar(0xFFFD)) + QStringLiteral("w\\d]?")
        << "[$&]" << true
        << QStringLiteral("<a://(.*)examp|b)*?[c]|[^\\") + QString(24, QChar(0xFFFD)) + QStringLiteral("w\\d]?");
    QTest::newRow("CR LF kept outside matches") << "b"
                                                << "a\r\nb"
                                                << "c" << false << "a\r\nc";
}

void PatternTests::replace()
{
    QFETCH(QString, pattern);
    QFETCH(QString, subject);
    QFETCH(QString, replacement);
    QFETCH(bool, caseSensitive);
    QFETCH(QString, expected);
    QCOMPARE(PatternReplace(pattern, subject, replacement, caseSensitive), expected);
}

void PatternTests::test_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("subject");
    QTest::addColumn<bool>("caseSensitive");
    QTest::addColumn<bool>("expected");

    const QString header = QStringLiteral("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n");
    QTest::newRow("status line") << "200 OK" << header << false << true;
    QTest::newRow("another header line holds the text") << "200 OK"
                                                        << "HTTP/1.1 404 Not Found\r\nX-Note: 200 OK\r\n"
                                                        << false << true;
    QTest::newRow("absent") << "404 Not Found" << header << false << false;
    QTest::newRow("case ignored") << "200 ok" << header << false << true;
    QTest::newRow("case significant") << "200 ok" << header << true << false;
    QTest::newRow("invalid pattern takes the found branch") << "(" << header << false << true;
    QTest::newRow("empty pattern matches") << ""
                                           << "" << false << true;

    const QString recip = QStringLiteral("<a(.*)href=\"http://(.*)example.com(.*)\">(.*)</a>");
    QTest::newRow("reciprocal link absent from a one-line page") << recip << oneLineDirectoryPage(300) << false
                                                                  << false;
    QTest::newRow("reciprocal link at the end of a one-line page")
        << recip << oneLineDirectoryPage(300) + "<a href=\"http://www.example.com/\">Us</a>" << false << true;
    QTest::newRow("\\s matches an ideographic space") << "^\\s" << QChar(0x3000) + QStringLiteral("Title") << false << true;
    QTest::newRow("\\s matches a no-break space") << "^\\s" << QChar(0x00a0) + QStringLiteral("Title") << false << true;
    QTest::newRow("\\s matches a byte order mark") << "^\\s" << QChar(0xfeff) + QStringLiteral("Title") << false << true;
    QTest::newRow("\\s matches a line separator") << "^\\s" << QChar(0x2028) + QStringLiteral("Title") << false << true;
    QTest::newRow("\\S in a class leaves out the ideographic space")
        << "^[\\S]" << QChar(0x3000) + QStringLiteral("Title") << false << false;
    QTest::newRow("dot stops at a line separator") << "a.b" << QStringLiteral("a") + QChar(0x2028) + QStringLiteral("b") << false << false;
    QTest::newRow("dot stops at a paragraph separator") << "a.b" << QStringLiteral("a") + QChar(0x2029) + QStringLiteral("b") << false << false;
    QTest::newRow("\\v is the vertical tab") << "a\\vb" << "a\vb" << false << true;
    QTest::newRow("\\v is not a line feed") << "a\\vb" << "a\nb" << false << false;
    QTest::newRow("\\h is the letter h") << "\\h" << "hat" << false << true;
    QTest::newRow("\\K is the letter k") << "a\\Kb" << "akb" << false << true;

    // Code units: a quantifier applies to the low half of an astral literal.
    QTest::newRow("astral literal repeated is its low half repeated")
        << QString::fromUtf16(u"\U0001F600{2}") << QString::fromUtf16(u"\U0001F600\U0001F600") << false << false;
    QTest::newRow("high surrogate escape matches half a character")
        << "\\uD83D" << QString::fromUtf16(u"\U0001F600") << false << true;
    // Case is ignored by upper case, one unit for one, never into ASCII.
    QTest::newRow("sharp s and capital sharp s") << QString::fromUtf16(u"\u00DF") << QString::fromUtf16(u"\u1E9E")
                                                 << false << false;
    QTest::newRow("omega and ohm sign") << QString::fromUtf16(u"\u03A9") << QString::fromUtf16(u"\u2126") << false
                                        << false;
    QTest::newRow("a ring and angstrom sign") << QString::fromUtf16(u"\u00E5") << QString::fromUtf16(u"\u212B")
                                              << false << false;
    QTest::newRow("theta and capital theta symbol")
        << QString::fromUtf16(u"\u03B8") << QString::fromUtf16(u"\u03F4") << false << false;
    QTest::newRow("alpha with ypogegrammeni and prosgegrammeni")
        << QString::fromUtf16(u"\u1F80") << QString::fromUtf16(u"\u1F88") << false << false;
    QTest::newRow("k and kelvin sign") << "k" << QString::fromUtf16(u"\u212A") << false << false;
    QTest::newRow("s and long s") << "s" << QString::fromUtf16(u"\u017F") << false << false;
    QTest::newRow("range takes the upper case of its members") << "[\\u00c9-\\uab70]"
                                                               << QString::fromUtf16(u"\u13A0") << false << true;
    QTest::newRow("range keeps non-ASCII members out of ASCII") << "[\\u00c9-\\uab70]"
                                                                << "k" << false << false;
    QTest::newRow("control letter digit in a class") << "[\\c1]" << QString(QChar(0x11)) << false << true;
    QTest::newRow("control letter digit in a class is no c") << "[\\c1]"
                                                             << "c" << false << false;
    QTest::newRow("zero count of a look-ahead group") << "(?:|(?=5)){0}"
                                                      << "a" << false << true;
    // Valid patterns with large counts are decided like any other.
    QTest::newRow("count of 65536") << "a{65536}"
                                    << "a" << false << false;
    QTest::newRow("group counted 5535 times") << "(b){5535}"
                                              << "b" << false << false;
    QTest::newRow("group counted up to 1000 times") << "(\\s.){0,1000}"
                                                    << "" << false << true;
}

void PatternTests::test()
{
    QFETCH(QString, pattern);
    QFETCH(QString, subject);
    QFETCH(bool, caseSensitive);
    QFETCH(bool, expected);
    QCOMPARE(PatternTest(pattern, subject, caseSensitive), expected);
}

void PatternTests::invalidPatternFailsInEveryPrimitive()
{
    for (const QString& bad : {QStringLiteral("("), QStringLiteral("a)"), QStringLiteral("[z-a]"),
                               QStringLiteral("*"), QStringLiteral("a{2,1}")}) {
        QCOMPARE(PatternEvaluate(bad, QStringLiteral("a")), PatternOutcome::Invalid);
        QVERIFY(PatternTest(bad, QStringLiteral("a")));
        QCOMPARE(RegexLastMatch(bad, QStringLiteral("a")), QString());
        QCOMPARE(PatternReplace(bad, QStringLiteral("a"), QStringLiteral("b")), QStringLiteral("a"));
        QCOMPARE(DomainFromUrl(QStringLiteral("http://www.example.com/"), bad), QString());
    }
}

void PatternTests::stripLineBreaks_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    QTest::newRow("pair removed, lines join") << "one\r\ntwo"
                                              << "onetwo";
    QTest::newRow("every pair") << "\r\na\r\n\r\nb\r\n"
                                << "ab";
    QTest::newRow("lone LF stays") << "one\ntwo"
                                   << "one\ntwo";
    QTest::newRow("lone CR stays") << "one\rtwo"
                                   << "one\rtwo";
    QTest::newRow("LF CR is not a pair") << "a\n\rb"
                                         << "a\n\rb";
    QTest::newRow("CR before a pair stays") << "a\r\r\nb"
                                            << "a\rb";
}

void PatternTests::stripLineBreaks()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(StripLineBreaks(text), expected);
}

void PatternTests::domainFromUrl_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("expected");

    QTest::newRow("front page with slash") << "http://www.example.com/"
                                           << "www.example.com";
    QTest::newRow("front page without slash") << "http://www.example.com"
                                              << "www.example.com";
    QTest::newRow("page with extension") << "http://www.example.com/dir/index.html"
                                         << "index.html";
    QTest::newRow("long last label cut after six letters") << "http://shop.example.company/"
                                                           << "shop.example.compan";
    QTest::newRow("no dot") << "http://localhost/"
                            << "";
    QTest::newRow("upper case") << "HTTP://WWW.EXAMPLE.ORG/"
                                << "WWW.EXAMPLE.ORG";
    QTest::newRow("query after the host") << "http://example.net/?q=1"
                                          << "example.net";
}

void PatternTests::domainFromUrl()
{
    QFETCH(QString, url);
    QFETCH(QString, expected);
    QCOMPARE(DomainFromUrl(url, kDomain), expected);
}

// Long subjects are searched around the places where a match can be (runs
// of a pattern's characters, occurrences of its required text or its
// prefix); the matches must be those of one plain search. QRegularExpression
// (PCRE2, searched in one go) is the reference for patterns that cannot
// match the empty text and on which the dialects agree, on a text without CRs.
void PatternTests::longSubjectsMatchLikeOneSearch_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::newRow("sparse first character") << "<a[^>]*>";
    QTest::newRow("dot-star start") << ".*x";
    QTest::newRow("group start") << "(.*)q";
    QTest::newRow("alternation") << "(?:ab|cd)+";
    QTest::newRow("class start") << "\\w+@\\w+";
    QTest::newRow("anchored") << "^.";
    QTest::newRow("rare literal") << "zz";
    QTest::newRow("pair") << QString::fromUtf16(u"\U0001F600b");
}

void PatternTests::longSubjectsMatchLikeOneSearch()
{
    QFETCH(QString, pattern);
    static const char16_t* const pieces[] = {
        u"ab", u"cd", u"x ", u"<a href=1>",  u"me@host ",
        u"\n", u"zz", u"q",  u"\U0001F600b", u"hhhhhhhhhhhhhhhhhhhhhhhh"};
    QRandomGenerator random(7);
    QString subject;
    while (subject.size() < 60000)
        subject += QString::fromUtf16(pieces[random.bounded(int(std::size(pieces)))]);
    // A long line without any start of a match, then matches again.
    subject += QString(20000, u'h') + QStringLiteral("ab x zz q <a>");

    QString expected;
    qsizetype copied = 0;
    const QRegularExpression reference(pattern, QRegularExpression::CaseInsensitiveOption);
    QVERIFY(reference.isValid());
    for (auto it = reference.globalMatch(subject); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        expected += QStringView(subject).mid(copied, m.capturedStart() - copied);
        expected += u'[' + m.captured() + u']';
        copied = m.capturedEnd();
    }
    expected += QStringView(subject).mid(copied);
    QVERIFY(expected != subject);
    QCOMPARE(PatternReplace(pattern, subject, QStringLiteral("[$&]")), expected);
}

// Long texts are converted for RE2 many units at a time, with different code
// for ASCII, for text of one- and two-byte characters, of up to three-byte
// ones, and around surrogates; every occurrence of a character must still be
// found where it is, in texts that mix them all.
void PatternTests::longMixedTextsMatchWhereTheCharactersAre_data()
{
    QTest::addColumn<QString>("unit");
    QTest::newRow("ASCII") << QStringLiteral("x");
    QTest::newRow("Latin-1") << QString::fromUtf16(u"\u00e9");
    QTest::newRow("Cyrillic") << QString::fromUtf16(u"\u0416");
    QTest::newRow("CJK") << QString::fromUtf16(u"\u4e2d");
    QTest::newRow("right single quotation mark") << QString::fromUtf16(u"\u2019");
    QTest::newRow("high surrogate") << QString(QChar(0xD83D));
    QTest::newRow("low surrogate") << QString(QChar(0xDE00));
}

void PatternTests::longMixedTextsMatchWhereTheCharactersAre()
{
    QFETCH(QString, unit);
    // With long ASCII runs as well, which are converted many units at a time.
    const QStringList pieces = {
        QString::fromUtf16(u"abc "),        QString::fromUtf16(u"xyzzy"),
        QString::fromUtf16(u"\u00e9t\u00e9 "), QString::fromUtf16(u"\u0416\u0443\u043a"),
        QString::fromUtf16(u"\u4e2d\u6587\u3000"), QString::fromUtf16(u"it\u2019s "),
        QString::fromUtf16(u"\r\n"),        QString::fromUtf16(u"\U0001F600"),
        QString::fromUtf16(u"x\u00e9\u4e2dx"), QString::fromUtf16(u"\u00df\u2013\u20ac"),
        QString(700, u'k'),                 QString(67, u'h')};
    QRandomGenerator random(20);
    QString text;
    while (text.size() < 40000) {
        text += pieces[random.bounded(int(pieces.size()))];
        if (random.bounded(50) == 0)
            text += QChar(0xDE00); // a lone low surrogate now and then
    }
    QString expected = text;
    expected.replace(unit, u'[' + unit + u']');
    QVERIFY(expected != text);
    // The text holds no other case of the characters: ignoring case, the
    // matches are the same, found in the text's case-blind forms.
    const QString pattern = QStringLiteral("\\u%1").arg(unit.at(0).unicode(), 4, 16, QChar(u'0'));
    for (const bool caseSensitive : {true, false})
        QCOMPARE(PatternReplace(pattern, text, QStringLiteral("[$&]"), caseSensitive), expected);
}

// A match that starts at any distance from the search's start is found, and
// so is one that starts on a later line when the pattern begins with '.*'.
void PatternTests::everyStartPositionIsTried()
{
    for (int k = 0; k < 5000; ++k) {
        const QString filler(k, u'h');
        QCOMPARE(RegexLastMatch(QStringLiteral("ab"), filler + QStringLiteral("ab")), QStringLiteral("ab"));
        for (const QString& newline : {QStringLiteral("\r\n"), QStringLiteral("\n"), QStringLiteral("\r")}) {
            QCOMPARE(RegexLastMatch(QStringLiteral(".*b"), filler + newline + QStringLiteral("ab")),
                     QStringLiteral("ab"));
        }
    }
}

void PatternTests::catastrophicPatternGivesFailureResults()
{
    const QString subject = catastrophicSubject();
    // Without a back reference the answer is exact, however a backtracking
    // engine would fare.
    QCOMPARE(PatternEvaluate(QStringLiteral("(a+)+$"), subject), PatternOutcome::NoMatch);
    QCOMPARE(PatternReplace(QStringLiteral("(a+)+b$"), subject, QStringLiteral("<$1>")),
             u'<' + QString(100000, u'a') + u'>');

    // With one it cannot be decided within the limits: no primitive lets
    // that pass for a match.
    const QString pattern = QStringLiteral("(a+)+\\1$");
    QCOMPARE(PatternEvaluate(pattern, subject), PatternOutcome::Undecided);
    QVERIFY(!PatternTest(pattern, subject));
    QVERIFY(!PatternTest(pattern, subject, true));
    QCOMPARE(RegexLastMatch(pattern, subject), QString());
    QCOMPARE(PatternReplace(pattern, subject, QStringLiteral("x")), subject);
    QCOMPARE(DomainFromUrl(subject, pattern), QString());
}

void PatternTests::cacheKeepsCaseFlagsApart()
{
    // The same pattern text compiled both ways must not share a cache slot.
    QCOMPARE(PatternEvaluate(QStringLiteral("abc"), QStringLiteral("ABC"), false), PatternOutcome::Match);
    QCOMPARE(PatternEvaluate(QStringLiteral("abc"), QStringLiteral("ABC"), true), PatternOutcome::NoMatch);
    QCOMPARE(PatternEvaluate(QStringLiteral("abc"), QStringLiteral("ABC"), false), PatternOutcome::Match);
    // More patterns than the cache holds, then the first one again.
    for (int i = 0; i < 100; ++i)
        QVERIFY(PatternTest(QStringLiteral("x%1").arg(i), QStringLiteral("x%1").arg(i)));
    QCOMPARE(PatternEvaluate(QStringLiteral("abc"), QStringLiteral("ABC"), true), PatternOutcome::NoMatch);
}

void PatternTests::passedDeadlineLeavesEverySearchUndecided()
{
    {
        AnalysisDeadline deadline{std::chrono::milliseconds(0)};
        QVERIFY(deadline.passed());
        QCOMPARE(PatternEvaluate(QStringLiteral("a"), QStringLiteral("a")), PatternOutcome::Undecided);
        QVERIFY(!PatternTest(QStringLiteral("a"), QStringLiteral("a")));
        QCOMPARE(PatternReplace(QStringLiteral("a"), QStringLiteral("a"), QStringLiteral("b")), QStringLiteral("a"));
        QCOMPARE(RegexLastMatch(QStringLiteral("a"), QStringLiteral("a")), QString());
    }
    // Gone with its scope: the searches are decided again.
    QCOMPARE(PatternEvaluate(QStringLiteral("a"), QStringLiteral("a")), PatternOutcome::Match);
}

QTEST_GUILESS_MAIN(PatternTests)

#include "tst_Pattern.moc"
