#include "SilentServer.h"
#include "TestHttpServer.h"
#include "filters/SortedListModel.h"
#include "run/TestRun.h"
#include "settings/Settings.h"

#include <QSignalSpy>
#include <QTest>
#include <functional>

namespace {

// The verdict sentences exactly as the user reads them, leading blanks included.
const QString kStatusFound = QStringLiteral(" header found! We will try to add this URL to tab 4.");
const QString kStatusNotFound =
    QStringLiteral(" header not found. As per rule, that page wont be added to tab 4.");
const QString kContentTypeFound =
    QStringLiteral(" Content-Type: text/html found! We will try to add this URL to tab 4.");
const QString kContentTypeNotFound =
    QStringLiteral(" Content-Type: text/html not found. As per rule, that page wont be added to tab 4.");
const QString kRecipFound = QStringLiteral("Recip pattern found! We will try to add this URL to tab 4.");
const QString kRecipNotFound =
    QStringLiteral("No Recip pattern was found. As per rule, that page wont be added to tab 4.");
const QString kTitleBad = QStringLiteral("Bad Word(s) found in title. This URL will not be added to tab 4!");
const QString kDescriptionBad =
    QStringLiteral("Bad Word(s) found in description. This URL will not be added to tab 4!");

const QString kOkHeader = QStringLiteral("HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\n"
                                         "Content-Length: 10");

FetchResult fetched(const QString& body, const QString& header = kOkHeader)
{
    FetchResult r;
    r.url = QStringLiteral("http://www.shop-links.com/");
    r.body = body;
    r.header = header;
    return r;
}

FetchResult failed()
{
    FetchResult r;
    r.url = QStringLiteral("http://www.shop-links.com/");
    r.error = QStringLiteral("Could not connect");
    return r;
}

using Setup = std::function<void(Settings&)>;

} // namespace

Q_DECLARE_METATYPE(FetchResult)
Q_DECLARE_METATYPE(Setup)

class TestTestRun : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void verdictAndFields_data();
    void verdictAndFields();
    void failedFetchClearsSourceAndHeaders();
    void throughHttp();
    void linkBackLineAfterTheSentences_data();
    void linkBackLineAfterTheSentences();
    void newerStartSupersedesOlder();
    void waitsNoLongerThanTheTimeout();
};

void TestTestRun::verdictAndFields_data()
{
    QTest::addColumn<FetchResult>("fetch");
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<QStringList>("badWords");
    QTest::addColumn<QStringList>("valid");
    QTest::addColumn<QString>("previousEmail");
    QTest::addColumn<QString>("verdict");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("email");
    QTest::addColumn<QString>("description");

    const QString plain = QStringLiteral("<title>Online Shop</title>\r\n"
                                         "<meta name=\"description\" content=\"Good links\">\r\n"
                                         "a@b.com and sales@shop-links.com");
    const Setup checksOff = [](Settings& s) { s.setFlag(Key::ContentTypeCheck, FlagState::Off); };

    QTest::newRow("no checks, no sentences") << fetched(plain) << checksOff << QStringList() << QStringList()
                                             << QString() << QString() << "Online Shop"
                                             << "sales@shop-links.com"
                                             << "Good links";

    QTest::newRow("every status entry, then the content type")
        << fetched(plain) << Setup([](Settings&) {}) << QStringList()
        << QStringList{QStringLiteral("200 OK"), QStringLiteral("404 Not Found")} << QString()
        << "200 OK" + kStatusFound + "404 Not Found" + kStatusNotFound + kContentTypeFound << "Online Shop"
        << "sales@shop-links.com"
        << "Good links";

    QTest::newRow("recip not found right after the content-type sentence")
        << fetched(plain) << Setup([](Settings& s) { s.setFlag(Key::UseRecip, FlagState::On); })
        << QStringList() << QStringList() << QString() << kContentTypeFound + kRecipNotFound << "Online Shop"
        << "sales@shop-links.com"
        << "Good links";

    QTest::newRow("content type not found on an image")
        << fetched(QString(), QStringLiteral("HTTP/1.1 200 OK\r\nContent-Type: image/png"))
        << Setup([](Settings&) {}) << QStringList() << QStringList() << QString() << kContentTypeNotFound
        << QString() << QString() << QString();

    // Only a ticked box is on: a greyed one gives no content-type sentence,
    // even for a page that is not HTML.
    QTest::newRow("greyed content-type check is off")
        << fetched(QString(), QStringLiteral("HTTP/1.1 200 OK\r\nContent-Type: image/png"))
        << Setup([](Settings& s) { s.setFlag(Key::ContentTypeCheck, FlagState::Greyed); }) << QStringList()
        << QStringList() << QString() << QString() << QString() << QString() << QString();

    QTest::newRow("invalid recip pattern counts as found") << fetched(plain) << Setup([](Settings& s) {
        s.setFlag(Key::ContentTypeCheck, FlagState::Off);
        s.setFlag(Key::UseRecip, FlagState::On);
        s.setText(Key::Reciptext, QStringLiteral("(unclosed"));
    }) << QStringList() << QStringList() << QString() << kRecipFound
                                                           << "Online Shop"
                                                           << "sales@shop-links.com"
                                                           << "Good links";

    QTest::newRow("fallback title is tested for bad words")
        << fetched(QStringLiteral("<p>no title</p>")) << Setup([](Settings& s) {
               s.setFlag(Key::ContentTypeCheck, FlagState::Off);
               s.setSelected(Key::TitleNoTitle3, true);
               s.setText(Key::TitleNoTitle4, QStringLiteral("Cheap Links"));
               s.setSelected(Key::TitleBadWords1, true);
           })
        << QStringList{QStringLiteral("cheap")} << QStringList() << QString() << kTitleBad << "Cheap Links"
        << QString() << QString();

    QTest::newRow("two bad words, two sentences") << fetched(plain) << Setup([](Settings& s) {
        s.setFlag(Key::ContentTypeCheck, FlagState::Off);
        s.setSelected(Key::TitleBadWords1, true);
        s.setSelected(Key::DescriptionBadWords1, true);
    }) << QStringList{QStringLiteral("online"), QStringLiteral("shop"), QStringLiteral("good")}
                                                  << QStringList() << QString()
                                                  << kTitleBad + kTitleBad + kDescriptionBad << "Online Shop"
                                                  << "sales@shop-links.com"
                                                  << "Good links";

    QTest::newRow("title replace ignores letter case") << fetched(plain) << Setup([](Settings& s) {
        s.setFlag(Key::ContentTypeCheck, FlagState::Off);
        s.setFlag(Key::TitleReplace1, FlagState::On);
        s.setText(Key::TitleReplace2, QStringLiteral("shop"));
        s.setText(Key::TitleReplace3, QStringLiteral("Store"));
    }) << QStringList() << QStringList() << QString() << QString()
                                                       << "Online Store"
                                                       << "sales@shop-links.com"
                                                       << "Good links";

    QTest::newRow("description keeps its line break")
        << fetched(QStringLiteral("<meta name=\"description\" content=\"two\r\nlines\">")) << checksOff
        << QStringList() << QStringList() << QString() << QString() << QString() << QString()
        << "two\r\nlines";

    QTest::newRow("no e-mail option keeps the previous e-mail") << fetched(plain) << Setup([](Settings& s) {
        s.setFlag(Key::ContentTypeCheck, FlagState::Off);
        s.setSelected(Key::EmailOption1, false);
    }) << QStringList() << QStringList() << "old@example.net" << QString()
                                                                << "Online Shop"
                                                                << "old@example.net"
                                                                << "Good links";

    QTest::newRow("kept e-mail still gets case and replace") << fetched(plain) << Setup([](Settings& s) {
        s.setFlag(Key::ContentTypeCheck, FlagState::Off);
        s.setSelected(Key::EmailOption1, false);
        s.setSelected(Key::EmailCaps4, true);
        s.setFlag(Key::EmailReplace1, FlagState::On);
        s.setText(Key::EmailReplace2, QStringLiteral("@example"));
        s.setText(Key::EmailReplace3, QStringLiteral("@mail"));
    }) << QStringList() << QStringList() << "old@example.net" << QString()
                                                             << "Online Shop"
                                                             << "OLD@mail.NET"
                                                             << "Good links";

    QTest::newRow("option 2 uses the test domain") << fetched(plain) << Setup([](Settings& s) {
        s.setFlag(Key::ContentTypeCheck, FlagState::Off);
        s.setSelected(Key::EmailOption2, true);
        s.setSelected(Key::EmailCaps4, true);
    }) << QStringList() << QStringList() << QString()
                                                   << QString() << "Online Shop"
                                                   << "WEBMASTER@WWW.SHOP-LINKS.COM"
                                                   << "Good links";
}

void TestTestRun::verdictAndFields()
{
    QFETCH(FetchResult, fetch);
    QFETCH(Setup, setup);
    QFETCH(QStringList, badWords);
    QFETCH(QStringList, valid);
    QFETCH(QString, previousEmail);

    Settings settings;
    setup(settings);
    const TestRunResult r =
        TestRun::analyse(settings.snapshot(), fetch.url, fetch, badWords, valid, previousEmail);
    QTEST(r.verdict, "verdict");
    QTEST(r.title, "title");
    QTEST(r.email, "email");
    QTEST(r.description, "description");
    QCOMPARE(r.testDomain, QStringLiteral("www.shop-links.com"));
    QCOMPARE(r.source, fetch.body);
}

void TestTestRun::failedFetchClearsSourceAndHeaders()
{
    Settings settings;
    settings.setFlag(Key::UseRecip, FlagState::On);
    settings.setSelected(Key::TitleNoTitle1, true);
    const QStringList valid{QStringLiteral("200 OK"), QStringLiteral("301 Moved Permanently")};
    const TestRunResult r =
        TestRun::analyse(settings.snapshot(), QStringLiteral("http://www.shop-links.com/"), failed(), {},
                         valid, QStringLiteral("kept@example.net"));
    QVERIFY(!r.fetched);
    QVERIFY(r.source.isEmpty());
    QVERIFY(r.headers.isEmpty());
    QCOMPARE(r.verdict, "200 OK" + kStatusNotFound + "301 Moved Permanently" + kStatusNotFound +
                            kContentTypeNotFound + kRecipNotFound);
    QCOMPARE(r.title, QStringLiteral("www.shop-links.com"));
    QCOMPARE(r.email, QString()); // option 1 is selected: the empty page gives no e-mail
}

void TestTestRun::throughHttp()
{
    TestHttpServer server;
    server.route("/shop.html",
                 TestHttpResponse::html("<title>Links</title>\n<p>webmaster@links.example.org</p>\n"));
    Settings settings;
    SortedListModel badWords;
    SortedListModel valid;
    valid.add(QStringLiteral("200 OK"));
    TestRun run(settings, badWords, valid);
    QSignalSpy finished(&run, &TestRun::finished);
    QSignalSpy running(&run, &TestRun::runningChanged);
    run.start(server.url("/shop.html").toString(), QString());
    QVERIFY(run.isRunning());
    QVERIFY(finished.wait(5000));
    const TestRunResult r = finished.first().first().value<TestRunResult>();
    QCOMPARE(r.verdict, "200 OK" + kStatusFound + kContentTypeFound);
    QCOMPARE(r.title, QStringLiteral("Links"));
    QCOMPARE(r.email, QStringLiteral("webmaster@links.example.org"));
    QCOMPARE(r.testDomain, QStringLiteral("shop.html"));
    QCOMPARE(r.source, QStringLiteral("<title>Links</title>\r\n<p>webmaster@links.example.org</p>\r\n"));
    QVERIFY(r.headers.startsWith(QStringLiteral("HTTP/1.1 200 OK\r\n")));
    QCOMPARE(running.count(), 2);
    QVERIFY(!run.isRunning());
}

void TestTestRun::linkBackLineAfterTheSentences_data()
{
    QTest::addColumn<QStringList>("sites");
    QTest::addColumn<QByteArray>("page");
    QTest::addColumn<QByteArray>("robots");
    QTest::addColumn<QString>("verdict");

    const QString sentences = "200 OK" + kStatusFound + kContentTypeFound;
    const QByteArray nofollow = R"(<p><a href="https://example.com/" rel="nofollow">Example</a></p>)";
    QTest::newRow("nofollow, with the link's markup")
        << QStringList{QStringLiteral("example.com")} << nofollow << QByteArray()
        << sentences + QStringLiteral("\nLink back: nofollow \u2014 <a href=\"https://example.com/\" "
                                      "rel=\"nofollow\">Example</a>");
    QTest::newRow("followed through the www twin")
        << QStringList{QStringLiteral("example.com")}
        << QByteArray(R"(<a href="http://www.example.com/">Ex</a>)") << QByteArray()
        << sentences +
               QStringLiteral("\nLink back: followed \u2014 <a href=\"http://www.example.com/\">Ex</a>");
    QTest::newRow("robots.txt closes the page")
        << QStringList{QStringLiteral("example.com")}
        << QByteArray(R"(<a href="https://example.com/">Ex</a>)")
        << QByteArray("User-agent: *\nDisallow: /partner\n")
        << sentences +
               QStringLiteral(
                   "\nLink back: blocked by robots.txt \u2014 User-agent: *, Disallow: /partner");
    QTest::newRow("no site: the sentences alone") << QStringList() << nofollow << QByteArray() << sentences;
}

void TestTestRun::linkBackLineAfterTheSentences()
{
    QFETCH(QStringList, sites);
    QFETCH(QByteArray, page);
    QFETCH(QByteArray, robots);
    QFETCH(QString, verdict);
    TestHttpServer server;
    server.route("/partner.html", TestHttpResponse::html(page));
    if (!robots.isEmpty())
        server.route("/robots.txt", TestHttpResponse::html(robots, "text/plain"));
    Settings settings;
    SortedListModel badWords;
    SortedListModel valid;
    valid.add(QStringLiteral("200 OK"));
    TestRun run(settings, badWords, valid);
    LinkBackSetup setup;
    setup.sites = MySites::parse(sites);
    run.setLinkBack(setup);
    QSignalSpy finished(&run, &TestRun::finished);
    run.start(server.url("/partner.html").toString(), QString());
    QVERIFY(finished.wait(5000));
    QCOMPARE(finished.first().first().value<TestRunResult>().verdict, verdict);
    // The robots.txt is asked for only when there is a site to prove.
    QCOMPARE(server.requestCount("/robots.txt"), sites.isEmpty() ? 0 : 1);
}

void TestTestRun::newerStartSupersedesOlder()
{
    TestHttpServer server;
    TestHttpResponse slow = TestHttpResponse::html("<title>Old</title>");
    slow.headDelayMs = 2000;
    server.route("/old", slow);
    server.route("/new", TestHttpResponse::html("<title>New</title>"));
    Settings settings;
    SortedListModel badWords;
    SortedListModel valid;
    TestRun run(settings, badWords, valid);
    QSignalSpy finished(&run, &TestRun::finished);
    run.start(server.url("/old").toString(), QString());
    QTRY_COMPARE(server.requestCount("/old"), 1);
    run.start(server.url("/new").toString(), QString());
    QVERIFY(finished.wait(5000));
    QCOMPARE(finished.first().first().value<TestRunResult>().title, QStringLiteral("New"));
    QTRY_COMPARE(server.abandonedConnections(), 1);
    QCOMPARE(finished.count(), 1);
}

// The user's time-out bounds the test's fetch too: a server that never
// answers is given up after it, and the test says why.
void TestTestRun::waitsNoLongerThanTheTimeout()
{
    SilentServer server;
    Settings settings;
    SortedListModel badWords;
    SortedListModel valid;
    TestRun run(settings, badWords, valid);
    run.setTimeoutSeconds(2);
    QSignalSpy finished(&run, &TestRun::finished);
    run.start(server.url("/never").toString(), QString());
    QVERIFY(finished.wait(10000));
    const TestRunResult r = finished.first().first().value<TestRunResult>();
    QVERIFY(!r.fetched);
    QCOMPARE(r.fetchError, QStringLiteral("no answer within 2 s"));
}

QTEST_GUILESS_MAIN(TestTestRun)
#include "tst_testrun.moc"
