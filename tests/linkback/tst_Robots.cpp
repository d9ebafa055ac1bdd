#include "TestFetchOptions.h"
#include "TestHttpServer.h"
#include "linkback/RobotsCache.h"
#include "linkback/RobotsTxt.h"
#include "platform/PageFetcher.h"
#include "run/RobotsLookup.h"

#include <QSignalSpy>
#include <QTest>

Q_DECLARE_METATYPE(RobotsAccess)

class RobotsTests : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void rules_data();
    void rules();
    void closingRule_data();
    void closingRule();
    void onlyThe500KiBCount();
    void binaryFile();
    void hostileWildcards();
    void manyRules();
    void fetchPolicy_data();
    void fetchPolicy();
    void hugeFileOverTheWire();
    void oncePerHost();
    void redirectsFollowedByTheCache();
    void fileReadAsUtf8WhateverItsCharset();
};

void RobotsTests::rules_data()
{
    QTest::addColumn<QByteArray>("robots");
    QTest::addColumn<QString>("agent");
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("allowed");

    const QByteArray basic = "User-agent: *\nDisallow: /private\n";
    QTest::newRow("disallowed prefix") << basic << "*"
                                       << "/private/x" << false;
    QTest::newRow("other path") << basic << "*"
                                << "/public" << true;
    QTest::newRow("prefix, not segment") << basic << "*"
                                         << "/privateer" << false;
    const QByteArray longest = "User-agent: *\nDisallow: /a\nAllow: /a/b\n";
    QTest::newRow("longer allow wins") << longest << "*"
                                       << "/a/b/c" << true;
    QTest::newRow("shorter disallow") << longest << "*"
                                      << "/a/c" << false;
    QTest::newRow("allow wins a tie") << QByteArray("User-agent: *\nDisallow: /page\nAllow: /page\n") << "*"
                                      << "/page" << true;
    QTest::newRow("longer disallow wins") << QByteArray("User-agent: *\nAllow: /a\nDisallow: /a/\n") << "*"
                                          << "/a/x" << false;
    const QByteArray pdf = "User-agent: *\nDisallow: /*.pdf$\n";
    QTest::newRow("star and dollar") << pdf << "*"
                                     << "/x/y.pdf" << false;
    QTest::newRow("dollar anchors") << pdf << "*"
                                    << "/x/y.pdf?z" << true;
    QTest::newRow("root only") << QByteArray("User-agent: *\nDisallow: /$\n") << "*"
                               << "/" << false;
    QTest::newRow("root only, other page") << QByteArray("User-agent: *\nDisallow: /$\n") << "*"
                                           << "/x" << true;
    QTest::newRow("query") << QByteArray("User-agent: *\nDisallow: /*?sessionid\n") << "*"
                           << "/p?sessionid=1" << false;
    const QByteArray groups = "User-agent: googlebot\nDisallow: /\n\nUser-agent: *\nAllow: /\n";
    QTest::newRow("own group") << groups << "googlebot"
                               << "/x" << false;
    QTest::newRow("star group") << groups << "*"
                                << "/x" << true;
    QTest::newRow("unnamed crawler takes star") << groups << "otherbot"
                                                << "/x" << true;
    QTest::newRow("named crawler ignores star")
        << QByteArray("User-agent: *\nDisallow: /\n\nUser-agent: Googlebot/2.1\nDisallow: /x\n")
        << "googlebot"
        << "/y" << true;
    QTest::newRow("star groups merged")
        << QByteArray("User-agent: *\nDisallow: /a\n\nUser-agent: *\nDisallow: /b\n") << "*"
        << "/b" << false;
    QTest::newRow("agents share a group") << QByteArray("User-agent: a\nUser-agent: *\nDisallow: /x\n") << "*"
                                          << "/x" << false;
    QTest::newRow("empty disallow") << QByteArray("User-agent: *\nDisallow:\n") << "*"
                                    << "/x" << true;
    QTest::newRow("rule before any group") << QByteArray("Disallow: /\nUser-agent: *\nAllow: /y\n") << "*"
                                           << "/x" << true;
    QTest::newRow("comments, CR LF, BOM, case")
        << QByteArray("\xEF\xBB\xBF# rules\r\nUSER-AGENT: * # all\r\nDISALLOW: /x # not x\r\n") << "*"
        << "/x/1" << false;
    QTest::newRow("misspelt disallow") << QByteArray("User-agent: *\nDissallow: /x\n") << "*"
                                       << "/x" << false;
    QTest::newRow("robots.txt itself") << QByteArray("User-agent: *\nDisallow: /\n") << "*"
                                       << "/robots.txt" << true;
    QTest::newRow("encoded tilde") << QByteArray("User-agent: *\nDisallow: /%7Euser\n") << "*"
                                   << "/~user/x" << false;
    QTest::newRow("raw non-ASCII rule") << QByteArray("User-agent: *\nDisallow: /caf\xC3\xA9\n") << "*"
                                        << "/caf%c3%a9/menu" << false;
    QTest::newRow("encoded slash is not a slash") << QByteArray("User-agent: *\nDisallow: /a%2Fb\n") << "*"
                                                  << "/a/b" << true;
    QTest::newRow("rule without slash") << QByteArray("User-agent: *\nDisallow: x\n") << "*"
                                        << "/x" << false;
}

void RobotsTests::rules()
{
    QFETCH(QByteArray, robots);
    QFETCH(QString, agent);
    QFETCH(QString, path);
    QFETCH(bool, allowed);
    QCOMPARE(RobotsTxt::parse(robots).allows(path, agent), allowed);
}

// Which group decides for a crawler, and the closing rule as the verdict
// names it.
void RobotsTests::closingRule_data()
{
    QTest::addColumn<QByteArray>("robots");
    QTest::addColumn<QString>("agent");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("rule");

    const QByteArray google = "User-agent: *\nAllow: /\n\nUser-agent: Googlebot\nDisallow: /links/\n";
    QTest::newRow("the crawler's group decides") << google << "Googlebot"
                                                 << "/links/a"
                                                 << "User-agent: Googlebot, Disallow: /links/";
    QTest::newRow("no group of its own: the star group")
        << QByteArray("User-agent: Bingbot\nAllow: /\n\nUser-agent: *\nDisallow: /links/\n") << "Googlebot"
        << "/links/a"
        << "User-agent: *, Disallow: /links/";
    const QByteArray two = "User-agent: Googlebot\nDisallow: /\n\nUser-agent: bingbot\nDisallow: /links/\n";
    QTest::newRow("another crawler") << two << "Bingbot"
                                     << "/links/a"
                                     << "User-agent: bingbot, Disallow: /links/";
    QTest::newRow("groups of one crawler combine")
        << QByteArray("User-agent: Googlebot\nDisallow: /a/\n\nUser-agent: *\nDisallow: /\n\n"
                      "User-agent: googlebot\nDisallow: /links/\n")
        << "Googlebot"
        << "/links/a"
        << "User-agent: googlebot, Disallow: /links/";
    // The page's path comes encoded as it is sent; the rule as written.
    QTest::newRow("braces") << QByteArray("User-agent: *\nDisallow: /a{b}\n") << "*"
                            << "/a%7Bb%7D"
                            << "User-agent: *, Disallow: /a{b}";
    QTest::newRow("quotes and angle brackets") << QByteArray("User-agent: *\nDisallow: /q\"<x>\n") << "*"
                                               << "/q%22%3Cx%3E/1"
                                               << "User-agent: *, Disallow: /q\"<x>";
    QTest::newRow("caret, bar, backquote, backslash")
        << QByteArray("User-agent: *\nDisallow: /c^|`\\\n") << "*"
        << "/c%5E%7C%60%5Cd"
        << "User-agent: *, Disallow: /c^|`\\";
    QTest::newRow("encoded in the rule, raw in the path")
        << QByteArray("User-agent: *\nDisallow: /a%7bb\n") << "*"
        << "/a{b"
        << "User-agent: *, Disallow: /a%7bb";
}

void RobotsTests::closingRule()
{
    QFETCH(QByteArray, robots);
    QFETCH(QString, agent);
    QFETCH(QString, path);
    QFETCH(QString, rule);
    const RobotsTxt::Decision decision = RobotsTxt::parse(robots).decide(path, agent);
    QCOMPARE(decision.rule, rule);
    QCOMPARE(decision.allowed, rule.isEmpty());
}

void RobotsTests::onlyThe500KiBCount()
{
    QByteArray filler;
    while (filler.size() < 500 * 1024 - 20)
        filler += "# padding padding padding padding padding\n";
    filler.truncate(500 * 1024 - 20);
    filler += "\n";
    QCOMPARE(filler.size(), 500 * 1024 - 19);
    // "Disallow: /cut" crosses the limit: the line is dropped, not read as "/cu".
    const QByteArray robots =
        "User-agent: *\nDisallow: /early\n" + filler + "Disallow: /cut\nDisallow: /late\n";
    const RobotsTxt rules = RobotsTxt::parse(robots);
    QVERIFY(!rules.allows(QStringLiteral("/early")));
    QVERIFY(rules.allows(QStringLiteral("/cux")));
    QVERIFY(rules.allows(QStringLiteral("/cut")));
    QVERIFY(rules.allows(QStringLiteral("/late")));
    QCOMPARE(rules.ruleCount(), 1);
}

void RobotsTests::binaryFile()
{
    QByteArray bytes(64 * 1024, '\0');
    quint32 state = 99;
    for (char& b : bytes) {
        state = state * 1103515245 + 12345;
        b = char(state >> 24);
    }
    const RobotsTxt junk = RobotsTxt::parse(bytes);
    QVERIFY(junk.allows(QStringLiteral("/x")));
    const RobotsTxt mixed = RobotsTxt::parse(bytes + "\nUser-agent: *\nDisallow: /x\0tail\n");
    QVERIFY(!mixed.allows(QStringLiteral("/x")));
}

void RobotsTests::hostileWildcards()
{
    // Many stars over a long path: one pass per piece, not a search over every split.
    QByteArray rule = "User-agent: *\nDisallow: /";
    for (int i = 0; i < 50000; ++i)
        rule += "*a";
    rule += "*b$\n";
    const RobotsTxt rules = RobotsTxt::parse(rule);
    const QString path = u'/' + QString(60000, u'a');
    QVERIFY(rules.allows(path));
    QVERIFY(!rules.allows(path + u'b'));
}

void RobotsTests::manyRules()
{
    QByteArray robots = "User-agent: *\n";
    for (int i = 0; i < 25000; ++i)
        robots += "Disallow: /d" + QByteArray::number(i) + "/\n";
    const RobotsTxt rules = RobotsTxt::parse(robots);
    QCOMPARE(rules.ruleCount(), 25000);
    QVERIFY(!rules.allows(QStringLiteral("/d24999/x")));
    QVERIFY(rules.allows(QStringLiteral("/e/x")));
}

void RobotsTests::fetchPolicy_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QByteArray>("location");
    QTest::addColumn<RobotsAccess>("access");

    const QByteArray closed = "User-agent: *\nDisallow: /page\n";
    QTest::newRow("200 with rules") << 200 << closed << QByteArray() << RobotsAccess::Disallowed;
    QTest::newRow("200 empty") << 200 << QByteArray() << QByteArray() << RobotsAccess::Allowed;
    QTest::newRow("404") << 404 << closed << QByteArray() << RobotsAccess::Allowed;
    QTest::newRow("410") << 410 << closed << QByteArray() << RobotsAccess::Allowed;
    QTest::newRow("401") << 401 << QByteArray() << QByteArray() << RobotsAccess::Allowed;
    QTest::newRow("429") << 429 << QByteArray() << QByteArray() << RobotsAccess::Disallowed;
    QTest::newRow("500") << 500 << QByteArray() << QByteArray() << RobotsAccess::Disallowed;
    QTest::newRow("503") << 503 << QByteArray() << QByteArray() << RobotsAccess::Disallowed;
    QTest::newRow("redirect to rules")
        << 301 << QByteArray() << QByteArray("/real-robots.txt") << RobotsAccess::Disallowed;
    QTest::newRow("redirect loop") << 302 << QByteArray() << QByteArray("/robots.txt")
                                   << RobotsAccess::Allowed;
    QTest::newRow("unreachable") << 0 << QByteArray() << QByteArray() << RobotsAccess::Disallowed;
}

void RobotsTests::fetchPolicy()
{
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(QByteArray, location);
    QFETCH(RobotsAccess, access);

    TestHttpServer server;
    TestHttpResponse response;
    response.status = status;
    response.reason = "Status";
    response.body = body;
    response.header("Content-Type", "text/plain");
    if (!location.isEmpty())
        response.header("Location", location);
    server.route(QStringLiteral("/robots.txt"), response);
    server.route(QStringLiteral("/real-robots.txt"),
                 TestHttpResponse::html("User-agent: *\nDisallow: /page\n"));

    // An address where nothing listens: a server started and gone again.
    QString page = server.url(QStringLiteral("/page")).toString();
    if (status == 0) {
        auto gone = std::make_unique<TestHttpServer>();
        page = gone->url(QStringLiteral("/page")).toString();
    }

    RobotsCache cache;
    QVERIFY(cache.needsFetch(page));
    QCOMPARE(cache.access(page), RobotsAccess::Unknown);
    FetchOptions options = quickFetchOptions();
    options.maxRedirects = RobotsCache::MaxRedirects;
    const FetchResult fetched = PageFetcher::fetch(RobotsCache::robotsUrl(WebUrl::parse(page)), options);
    QCOMPARE(cache.answer(page, RobotsAnswer::fromFetch(fetched)), QString());
    QVERIFY(cache.isSettled(page));
    QCOMPARE(cache.access(page), access);
    if (status == 302)
        QCOMPARE(server.requestCount(QStringLiteral("/robots.txt")), 6);
}

void RobotsTests::hugeFileOverTheWire()
{
    // 4 MiB of rules: the fetch stops a byte past the limit, the parser drops
    // the line the limit cut.
    QByteArray robots = "User-agent: *\nDisallow: /early\n";
    while (robots.size() < 4 * 1024 * 1024)
        robots += "Disallow: /filler/" + QByteArray::number(robots.size()) + "\n";
    robots += "Disallow: /late\n";
    TestHttpServer server;
    server.route(QStringLiteral("/robots.txt"), TestHttpResponse::html(robots, "text/plain"));
    const QString page = server.url(QStringLiteral("/late")).toString();

    RobotsCache cache;
    QVERIFY(cache.needsFetch(page));
    FetchOptions options = quickFetchOptions();
    options.maxBodyBytes = RobotsTxt::MaxBytes + 1;
    const FetchResult fetched = PageFetcher::fetch(RobotsCache::robotsUrl(WebUrl::parse(page)), options);
    QVERIFY(fetched.truncated);
    QCOMPARE(cache.answer(page, RobotsAnswer::fromFetch(fetched)), QString());
    QCOMPARE(cache.access(page), RobotsAccess::Allowed);
    QCOMPARE(cache.access(server.url(QStringLiteral("/early")).toString()), RobotsAccess::Disallowed);
}

void RobotsTests::oncePerHost()
{
    RobotsCache cache;
    QVERIFY(cache.needsFetch(QStringLiteral("http://a.example/1")));
    QVERIFY(!cache.needsFetch(QStringLiteral("http://A.example:80/2")));
    QVERIFY(cache.needsFetch(QStringLiteral("https://a.example/1")));
    QVERIFY(cache.needsFetch(QStringLiteral("http://a.example:8080/1")));
    QVERIFY(cache.needsFetch(QStringLiteral("http://www.a.example/1")));
    QVERIFY(!cache.needsFetch(QStringLiteral("javascript:void(0)")));
    QCOMPARE(cache.hostCount(), 4);
    QCOMPARE(RobotsCache::robotsUrl(WebUrl::parse(QStringLiteral("http://a.example:8080/x/y?z"))),
             QStringLiteral("http://a.example:8080/robots.txt"));
}

void RobotsTests::redirectsFollowedByTheCache()
{
    RobotsCache cache;
    const QString page = QStringLiteral("http://a.example/page");
    QVERIFY(cache.needsFetch(page));
    RobotsAnswer moved;
    moved.kind = RobotsAnswer::Kind::Response;
    moved.status = 301;
    moved.location = QStringLiteral("/r1");
    QCOMPARE(cache.answer(page, moved), QStringLiteral("http://a.example/r1"));
    moved.location = QStringLiteral("https://b.example/robots.txt");
    QCOMPARE(cache.answer(page, moved), QStringLiteral("https://b.example/robots.txt"));
    RobotsAnswer found;
    found.kind = RobotsAnswer::Kind::Response;
    found.status = 200;
    found.body = "User-agent: *\nDisallow: /page\n";
    QCOMPARE(cache.answer(page, found), QString());
    // The rules found at the end of the road are the first host's rules.
    QCOMPARE(cache.access(page), RobotsAccess::Disallowed);
    QCOMPARE(cache.access(QStringLiteral("http://a.example/other")), RobotsAccess::Allowed);

    // Five hops are followed, the sixth redirect is not: no file, all allowed.
    const QString loop = QStringLiteral("http://loop.example/page");
    QVERIFY(cache.needsFetch(loop));
    moved.location = QStringLiteral("/robots.txt");
    for (int hop = 0; hop < 5; ++hop)
        QCOMPARE(cache.answer(loop, moved), QStringLiteral("http://loop.example/robots.txt"));
    QCOMPARE(cache.answer(loop, moved), QString());
    QCOMPARE(cache.access(loop), RobotsAccess::Allowed);
}

// The file is UTF-8 by the protocol: a charset in its Content-Type changes nothing.
void RobotsTests::fileReadAsUtf8WhateverItsCharset()
{
    TestHttpServer server;
    server.route(
        QStringLiteral("/robots.txt"),
        TestHttpResponse::html("User-agent: *\nDisallow: /caf\xC3\xA9\n", "text/plain; charset=iso-8859-1"));
    const QString page = server.url(QStringLiteral("/caf%C3%A9")).toString();
    RobotsLookup lookup(quickFetchOptions());
    QSignalSpy settled(&lookup, &RobotsLookup::settled);
    lookup.want(page);
    QVERIFY(settled.wait());
    QCOMPARE(lookup.ruling(page, QStringLiteral("Googlebot")).rule,
             QStringLiteral("User-agent: *, Disallow: /caf\u00E9"));
}

int runRobotsTests(int argc, char** argv)
{
    RobotsTests tests;
    return QTest::qExec(&tests, argc, argv);
}

#include "tst_Robots.moc"
