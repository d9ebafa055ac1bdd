#include "TestFetchOptions.h"
#include "TestHttpServer.h"
#include "platform/FetchPool.h"
#include "platform/PageFetcher.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QLocale>
#include <QRegularExpression>
#include <QSet>
#include <QSignalSpy>
#include <QTest>
#include <atomic>
#include <memory>
#include <vector>

namespace {

quint64 idOf(const QList<QVariant>& signal)
{
    return signal.at(0).value<quint64>();
}

FetchResult resultOf(const QList<QVariant>& signal)
{
    return signal.at(1).value<FetchResult>();
}

// libcurl's messages name the milliseconds a failure took.
QString withoutNumbers(QString text)
{
    return text.remove(QRegularExpression(QStringLiteral("[0-9]+")));
}

} // namespace

class TestFetchPool : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void keepsToTheConnectionLimits();
    void givesWhatPageFetcherGives_data();
    void givesWhatPageFetcherGives();
    void asksBusyServersAgainAfterTheirPause_data();
    void asksBusyServersAgainAfterTheirPause();
    void cancelledTransfersStopAndStaySilent();
};

void TestFetchPool::keepsToTheConnectionLimits()
{
    auto everyHost = std::make_shared<TestLoadGauge>();
    std::vector<std::unique_ptr<TestHttpServer>> hosts;
    for (int i = 1; i <= 3; ++i) {
        auto server = std::make_unique<TestHttpServer>(QHostAddress(QStringLiteral("127.0.0.%1").arg(i)));
        server->shareGauge(everyHost);
        server->route("/p/*", [](const TestHttpRequest& request) {
            TestHttpResponse slow = TestHttpResponse::html(request.target);
            slow.headDelayMs = 200;
            return slow;
        });
        hosts.push_back(std::move(server));
    }

    FetchPool pool(nullptr, quickFetchOptions(), {3, 2});
    QSignalSpy spy(&pool, &FetchPool::finished);
    // Host by host, so that a pool without a per-host limit would put all of
    // its connections on the first one.
    QHash<quint64, QString> expectedBody;
    quint64 id = 100;
    for (const auto& server : hosts) {
        for (int k = 0; k < 4; ++k, ++id) {
            const QString path = QStringLiteral("/p/%1").arg(k);
            pool.enqueue(id, server->url(path).toString());
            expectedBody.insert(id, path);
        }
    }
    QCOMPARE(pool.pendingCount(), 12);
    QTRY_COMPARE_WITH_TIMEOUT(spy.count(), 12, 10000);
    QTest::qWait(100);
    QCOMPARE(spy.count(), 12);
    QSet<quint64> seen;
    for (const auto& signal : spy) {
        QVERIFY(!seen.contains(idOf(signal)));
        seen.insert(idOf(signal));
        QCOMPARE(resultOf(signal).body, expectedBody.value(idOf(signal)));
    }
    QCOMPARE(pool.pendingCount(), 0);
    for (const auto& server : hosts)
        QCOMPARE(server->peakConcurrentRequests(), 2);
    QCOMPARE(everyHost->peak(), 3);
}

void TestFetchPool::givesWhatPageFetcherGives_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("firstLine");
    QTest::addColumn<QString>("body");
    QTest::addColumn<qint64>("bytes");

    QTest::newRow("page") << QStringLiteral("/page") << QStringLiteral("HTTP/1.1 200 OK")
                          << QStringLiteral("<title>P\u00e9ge</title>") << qint64(20);
    QTest::newRow("404") << QStringLiteral("/missing") << QStringLiteral("HTTP/1.1 404 Not Found")
                         << QStringLiteral("<html><body>not found</body></html>") << qint64(35);
    QTest::newRow("redirect") << QStringLiteral("/moved") << QStringLiteral("HTTP/1.1 200 OK")
                              << QStringLiteral("<title>P\u00e9ge</title>") << qint64(20);
    QTest::newRow("closed port") << QStringLiteral("http://127.0.0.1:1/") << QString() << QString()
                                 << qint64(0);
}

void TestFetchPool::givesWhatPageFetcherGives()
{
    QFETCH(QString, url);
    QFETCH(QString, firstLine);
    QFETCH(QString, body);
    QFETCH(qint64, bytes);

    TestHttpServer server;
    server.route("/page", TestHttpResponse::html("<title>P\xc3\xa9ge</title>").header("X-Extra", "one"));
    server.route("/missing", TestHttpResponse::notFound());
    server.route("/moved", TestHttpResponse::redirect(302, "/page"));
    if (url.startsWith(u'/'))
        url = server.url(url).toString();

    const FetchResult single = PageFetcher::fetch(url, quickFetchOptions());
    FetchPool pool(nullptr, quickFetchOptions());
    QSignalSpy spy(&pool, &FetchPool::finished);
    pool.enqueue(7, url);
    QVERIFY(spy.wait(5000));
    QCOMPARE(spy.count(), 1);
    QCOMPARE(idOf(spy.first()), quint64(7));
    const FetchResult pooled = resultOf(spy.first());

    QCOMPARE(pooled.header.section(QStringLiteral("\r\n"), 0, 0), firstLine);
    QCOMPARE(pooled.body, body);
    QCOMPARE(pooled.bytes, bytes);
    QCOMPARE(pooled.url, single.url);
    QCOMPARE(pooled.header, single.header);
    QCOMPARE(pooled.body, single.body);
    QCOMPARE(pooled.ok(), single.ok());
    QCOMPARE(pooled.truncated, single.truncated);
    QCOMPARE(pooled.bytes, single.bytes);
    QCOMPARE(withoutNumbers(pooled.error), withoutNumbers(single.error));
}

void TestFetchPool::asksBusyServersAgainAfterTheirPause_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("retryAfter"); // "date": an HTTP date a second ahead
    QTest::addColumn<int>("busyAnswers");       // before the server answers 200
    QTest::addColumn<QString>("firstLine");
    QTest::addColumn<int>("requests");
    QTest::addColumn<int>("atLeastMs");

    QTest::newRow("429, 1 s, then 200")
        << 429 << QByteArray("1") << 1 << QStringLiteral("HTTP/1.1 200 OK") << 2 << 1000;
    QTest::newRow("503, HTTP date, then 200")
        << 503 << QByteArray("date") << 1 << QStringLiteral("HTTP/1.1 200 OK") << 2 << 0;
    QTest::newRow("429, 500 s stands") << 429 << QByteArray("500") << 1
                                       << QStringLiteral("HTTP/1.1 429 Too Many Requests") << 1 << 0;
    QTest::newRow("429 after two retries stands")
        << 429 << QByteArray("0") << 3 << QStringLiteral("HTTP/1.1 429 Too Many Requests") << 3 << 0;
    QTest::newRow("503 without Retry-After stands")
        << 503 << QByteArray() << 1 << QStringLiteral("HTTP/1.1 503 Service Unavailable") << 1 << 0;
}

void TestFetchPool::asksBusyServersAgainAfterTheirPause()
{
    QFETCH(int, status);
    QFETCH(QByteArray, retryAfter);
    QFETCH(int, busyAnswers);
    QFETCH(QString, firstLine);
    QFETCH(int, requests);
    QFETCH(int, atLeastMs);

    TestHttpServer server;
    auto answered = std::make_shared<std::atomic<int>>(0);
    server.route("/busy", [=](const TestHttpRequest&) {
        if (answered->fetch_add(1) >= busyAnswers)
            return TestHttpResponse::html("<title>At last</title>");
        TestHttpResponse busy = TestHttpResponse::html("busy");
        busy.status = status;
        busy.reason = status == 429 ? "Too Many Requests" : "Service Unavailable";
        if (retryAfter == "date") {
            const QDateTime soon = QDateTime::currentDateTimeUtc().addSecs(1);
            busy.header("Retry-After",
                        QLocale::c().toString(soon, QStringLiteral("ddd, dd MMM yyyy hh:mm:ss 'GMT'")).toLatin1());
        } else if (!retryAfter.isEmpty()) {
            busy.header("Retry-After", retryAfter);
        }
        return busy;
    });
    server.route("/other", TestHttpResponse::html("other"));

    // One connection: the other page can only run while the busy one waits
    // for its pause without holding the connection.
    FetchPool pool(nullptr, quickFetchOptions(), {1, 1});
    QSignalSpy spy(&pool, &FetchPool::finished);
    QElapsedTimer clock;
    clock.start();
    pool.enqueue(1, server.url("/busy").toString());
    pool.enqueue(2, server.url("/other").toString());
    QTRY_COMPARE_WITH_TIMEOUT(spy.count(), 2, 5000);
    QTest::qWait(50);
    QCOMPARE(spy.count(), 2);

    const auto busy = std::find_if(spy.begin(), spy.end(), [](const auto& s) { return idOf(s) == 1; });
    QVERIFY(busy != spy.end());
    const FetchResult result = resultOf(*busy);
    QCOMPARE(result.header.section(QStringLiteral("\r\n"), 0, 0), firstLine);
    QCOMPARE(server.requestCount("/busy"), requests);
    if (requests > 1 && atLeastMs > 0) {
        QVERIFY(result.milliseconds >= atLeastMs);
        QVERIFY(clock.elapsed() >= atLeastMs);
        QCOMPARE(idOf(spy.first()), quint64(2)); // the other page went on meanwhile
    }
}

void TestFetchPool::cancelledTransfersStopAndStaySilent()
{
    TestHttpServer server;
    TestHttpResponse hanging = TestHttpResponse::html("never");
    hanging.headDelayMs = 60000;
    server.route("/hang", hanging);
    server.route("/p", TestHttpResponse::html("p"));
    FetchOptions options = quickFetchOptions();
    options.totalTimeoutMs = 600000;
    options.lowSpeedSeconds = 600;

    FetchPool pool(nullptr, options, {6, 2});
    QSignalSpy spy(&pool, &FetchPool::finished);
    pool.enqueue(1, server.url("/hang").toString());
    pool.enqueue(2, server.url("/hang").toString());
    pool.enqueue(3, server.url("/hang").toString()); // waits for a free connection to the host
    QTRY_COMPARE(server.requestCount("/hang"), 2);

    pool.cancel(2);
    QTRY_COMPARE(server.abandonedConnections(), 1);
    QTRY_COMPARE(server.requestCount("/hang"), 3); // its connection went to the next page
    pool.cancelAll();
    QCOMPARE(pool.pendingCount(), 0);
    QTRY_COMPARE(server.abandonedConnections(), 3);

    // Usable afterwards, also under an id given before.
    pool.enqueue(1, server.url("/p").toString());
    QVERIFY(spy.wait(5000));
    QTest::qWait(100);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(idOf(spy.first()), quint64(1));
    QCOMPARE(resultOf(spy.first()).body, QStringLiteral("p"));
}

QTEST_GUILESS_MAIN(TestFetchPool)
#include "tst_fetchpool.moc"
