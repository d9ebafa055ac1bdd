#include "SilentServer.h"
#include "TestFetchOptions.h"
#include "TestHttpServer.h"
#include "platform/FetchPool.h"
#include "platform/PageFetcher.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QLocale>
#include <QMutex>
#include <QRegularExpression>
#include <QSet>
#include <QSignalSpy>
#include <QTest>
#include <atomic>
#include <curl/curl.h>
#include <future>
#include <memory>
#include <vector>

namespace {

FetchOptions withTimeout(int seconds)
{
    FetchOptions o = quickFetchOptions();
    o.setTimeoutSeconds(seconds);
    return o;
}

// Enqueues the urls with ids 1, 2, ... and gives their results by id once
// all have come (or what came within timeoutMs).
QHash<quint64, FetchResult> fetchAll(FetchPool& pool, const QStringList& urls, int timeoutMs)
{
    QHash<quint64, FetchResult> results;
    QObject::connect(&pool, &FetchPool::finished, &pool,
                     [&results](quint64 id, const FetchResult& r) { results.insert(id, r); });
    for (int i = 0; i < urls.size(); ++i)
        pool.enqueue(quint64(i + 1), urls[i]);
    (void)QTest::qWaitFor([&] { return results.size() == urls.size(); }, timeoutMs);
    pool.disconnect(&pool);
    return results;
}

quint64 idOf(const QList<QVariant>& signal)
{
    return signal.at(0).value<quint64>();
}

FetchResult resultOf(const QList<QVariant>& signal)
{
    return signal.at(1).value<FetchResult>();
}

// libcurl's messages name the milliseconds a failure took; a quote of one
// leaves them out.
QString withoutNumbers(QString text)
{
    return text.remove(QRegularExpression(QStringLiteral("[0-9]+"))).remove(QStringLiteral(" after  ms"));
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
    void endsTheWaitAtTheTimeout_data();
    void endsTheWaitAtTheTimeout();
    void remembersHostsThatDoNotAnswer_data();
    void remembersHostsThatDoNotAnswer();
    void asksAgainOnceAfterATransientFailure_data();
    void asksAgainOnceAfterATransientFailure();
    void asksATimedOutPageAgainOnlyWhenItsHostAnsweredBefore_data();
    void asksATimedOutPageAgainOnlyWhenItsHostAnsweredBefore();
    void keepsToThePerHostLimitWhileAskingAgain();
    void countsThePagesWaitingOnSilentHosts();
    void letsSilentTransfersGoFreeWhenAsked_data();
    void letsSilentTransfersGoFreeWhenAsked();
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
    // A page enqueued now comes after any second report of the twelve.
    pool.enqueue(999, hosts.front()->url(QStringLiteral("/p/last")).toString());
    QTRY_COMPARE_WITH_TIMEOUT(spy.count(), 13, 10000);
    QCOMPARE(idOf(spy.takeLast()), quint64(999));
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
    QTest::addColumn<int>("curlCode");

    QTest::newRow("page") << QStringLiteral("/page") << QStringLiteral("HTTP/1.1 200 OK")
                          << QStringLiteral("<title>P\u00e9ge</title>") << qint64(20) << 0;
    QTest::newRow("404") << QStringLiteral("/missing") << QStringLiteral("HTTP/1.1 404 Not Found")
                         << QStringLiteral("<html><body>not found</body></html>") << qint64(35) << 0;
    QTest::newRow("redirect") << QStringLiteral("/moved") << QStringLiteral("HTTP/1.1 200 OK")
                              << QStringLiteral("<title>P\u00e9ge</title>") << qint64(20) << 0;
    QTest::newRow("closed port") << QStringLiteral("http://127.0.0.1:1/") << QString() << QString()
                                 << qint64(0) << int(CURLE_COULDNT_CONNECT);
}

void TestFetchPool::givesWhatPageFetcherGives()
{
    QFETCH(QString, url);
    QFETCH(QString, firstLine);
    QFETCH(QString, body);
    QFETCH(qint64, bytes);
    QFETCH(int, curlCode);

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
    QCOMPARE(pooled.ok(), curlCode == 0);
    QCOMPARE(pooled.curlCode, curlCode);
    QCOMPARE(single.curlCode, curlCode);
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
    QTest::newRow("429, 500 s stands")
        << 429 << QByteArray("500") << 1 << QStringLiteral("HTTP/1.1 429 Too Many Requests") << 1 << 0;
    QTest::newRow("429 after two retries stands")
        << 429 << QByteArray("0") << 3 << QStringLiteral("HTTP/1.1 429 Too Many Requests") << 3 << 0;
    QTest::newRow("503 without Retry-After, asked again once")
        << 503 << QByteArray() << 1 << QStringLiteral("HTTP/1.1 200 OK") << 2 << 1000;
    QTest::newRow("503 without Retry-After twice stands")
        << 503 << QByteArray() << 2 << QStringLiteral("HTTP/1.1 503 Service Unavailable") << 2 << 1000;
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
            busy.header(
                "Retry-After",
                QLocale::c().toString(soon, QStringLiteral("ddd, dd MMM yyyy hh:mm:ss 'GMT'")).toLatin1());
        } else if (!retryAfter.isEmpty()) {
            busy.header("Retry-After", retryAfter);
        }
        return busy;
    });
    server.route("/other", TestHttpResponse::html("other"));
    server.route("/last", TestHttpResponse::html("last"));

    // One connection: the other page can only run while the busy one waits
    // for its pause without holding the connection.
    FetchPool pool(nullptr, quickFetchOptions(), {1, 1});
    QSignalSpy spy(&pool, &FetchPool::finished);
    QElapsedTimer clock;
    clock.start();
    pool.enqueue(1, server.url("/busy").toString());
    pool.enqueue(2, server.url("/other").toString());
    QTRY_COMPARE_WITH_TIMEOUT(spy.count(), 2, 5000);
    // A page enqueued now comes after any second report of the first two.
    pool.enqueue(3, server.url("/last").toString());
    QTRY_COMPARE_WITH_TIMEOUT(spy.count(), 3, 5000);
    QCOMPARE(idOf(spy.takeLast()), quint64(3));

    const auto busy = std::find_if(spy.begin(), spy.end(), [](const auto& s) { return idOf(s) == 1; });
    QVERIFY(busy != spy.end());
    const FetchResult result = resultOf(*busy);
    QCOMPARE(result.header.section(QStringLiteral("\r\n"), 0, 0), firstLine);
    QCOMPARE(server.requestCount("/busy"), requests);
    QCOMPARE(result.attempts, requests);
    if (requests > 1 && atLeastMs > 0) {
        QVERIFY(result.milliseconds >= atLeastMs);
        QVERIFY(clock.elapsed() >= atLeastMs);
        QCOMPARE(idOf(spy.first()), quint64(2)); // the other page went on meanwhile
    }
}

void TestFetchPool::cancelledTransfersStopAndStaySilent()
{
    SilentServer server; // on /hang
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

    // Usable afterwards, also under an id given before; and the cancelled
    // pages, had they a late report, would have given it before these two.
    pool.enqueue(1, server.url("/p").toString());
    QTRY_COMPARE_WITH_TIMEOUT(spy.count(), 1, 5000);
    pool.enqueue(4, server.url("/p").toString());
    QTRY_COMPARE_WITH_TIMEOUT(spy.count(), 2, 5000);
    QCOMPARE(idOf(spy.at(0)), quint64(1));
    QCOMPARE(resultOf(spy.at(0)).body, QStringLiteral("p"));
    QCOMPARE(idOf(spy.at(1)), quint64(4));
}

void TestFetchPool::endsTheWaitAtTheTimeout_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("error");
    // The server's own waits may end up to 5 % early (Qt's coarse timers).
    QTest::addColumn<int>("atLeastMs");
    QTest::addColumn<int>("belowMs");
    QTest::addColumn<int>("stallSeconds");

    QTest::newRow("no answer") << QStringLiteral("/silent") << QStringLiteral("no answer within 2 s") << 2000
                               << 3500 << 5;
    QTest::newRow("answer after 1 s") << QStringLiteral("/late") << QString() << 900 << 2000 << 5;
    QTest::newRow("body 2.5 s after the header")
        << QStringLiteral("/slow-body") << QString() << 2300 << 3500 << 5;
    QTest::newRow("each redirect gets the whole time")
        << QStringLiteral("/hop1") << QString() << 3700 << 5500 << 5;
    QTest::newRow("stall after the header")
        << QStringLiteral("/stall") << QStringLiteral("the transfer stalled: nothing arrived for 1 s") << 1000
        << 2500 << 1;
}

// With a time-out of 2 s, in the pool and in the single fetch alike: the wait
// for the first line of each answer is bounded by it (three hops of 1.5 s
// each pass), the body only by the stall limit.
void TestFetchPool::endsTheWaitAtTheTimeout()
{
    QFETCH(QString, path);
    QFETCH(QString, error);
    QFETCH(int, atLeastMs);
    QFETCH(int, belowMs);
    QFETCH(int, stallSeconds);

    SilentServer server; // on /silent
    TestHttpResponse late = TestHttpResponse::html("<title>Late</title>");
    late.headDelayMs = 1000;
    server.route("/late", late);
    TestHttpResponse slowBody = TestHttpResponse::html("<title>Slow body</title>");
    slowBody.bodyDelayMs = 2500;
    server.route("/slow-body", slowBody);
    TestHttpResponse hop1 = TestHttpResponse::redirect(302, "/hop2");
    hop1.headDelayMs = 1500;
    server.route("/hop1", hop1);
    TestHttpResponse hop2 = TestHttpResponse::redirect(302, "/late");
    hop2.headDelayMs = 1500;
    server.route("/hop2", hop2);
    TestHttpResponse stall = TestHttpResponse::html(QByteArray(100, 's'));
    stall.bodyDelayMs = 60000;
    server.route("/stall", stall);

    FetchOptions options = withTimeout(2);
    options.lowSpeedSeconds = stallSeconds;
    const QString url = server.url(path).toString();

    // Both at once, on a thread of its own for the single fetch.
    qint64 singleMs = 0;
    auto singleFetch = std::async(std::launch::async, [&] {
        QElapsedTimer clock;
        clock.start();
        FetchResult r = PageFetcher::fetch(url, options);
        singleMs = clock.elapsed();
        return r;
    });
    FetchPool pool(nullptr, options);
    QElapsedTimer clock;
    clock.start();
    const FetchResult pooled = fetchAll(pool, {url}, 10000).value(1);
    const qint64 pooledMs = clock.elapsed();
    const FetchResult single = singleFetch.get();
    QCOMPARE(single.error, error);
    QCOMPARE(single.attempts, 1);
    QVERIFY2(singleMs >= atLeastMs && singleMs < belowMs, qPrintable(QString::number(singleMs)));
    QCOMPARE(pooled.error, error);
    QCOMPARE(pooled.attempts, 1); // no earlier page of the host answered
    QVERIFY2(pooledMs >= atLeastMs && pooledMs < belowMs, qPrintable(QString::number(pooledMs)));
    QCOMPARE(pooled.body, single.body);
}

void TestFetchPool::remembersHostsThatDoNotAnswer_data()
{
    QTest::addColumn<bool>("closedPort");
    QTest::addColumn<QString>("firstFailure"); // the program's own words; empty: libcurl's
    QTest::addColumn<int>("curlCode");

    QTest::newRow("no answer") << false << QStringLiteral("no answer within 2 s") << 0;
    QTest::newRow("closed port") << true << QString() << int(CURLE_COULDNT_CONNECT);
}

// Two pages of a host that did not answer, then the host is taken for gone:
// the third page fails at once, with the first failure quoted, and never
// reaches the host. A new run tries the host again.
void TestFetchPool::remembersHostsThatDoNotAnswer()
{
    QFETCH(bool, closedPort);
    QFETCH(QString, firstFailure);
    QFETCH(int, curlCode);

    SilentServer server; // on /silent
    const QString base =
        closedPort ? QStringLiteral("http://127.0.0.1:1/page") : server.url("/silent").toString();
    FetchPool pool(nullptr, withTimeout(2), {4, 2});
    QElapsedTimer clock;
    clock.start();
    const auto results = fetchAll(pool, {base + "?1", base + "?2", base + "?3"}, 10000);

    for (quint64 id : {1, 2}) {
        QCOMPARE(results.value(id).curlCode, curlCode);
        QVERIFY(!results.value(id).ok());
        if (!firstFailure.isEmpty())
            QCOMPARE(results.value(id).error, firstFailure);
        QCOMPARE(results.value(id).attempts, 1);
    }
    // The first failure quoted: the program's own words as they are,
    // libcurl's (whatever they are) without the time the failure took.
    const auto quoted = [&](const QString& error) {
        return firstFailure.isEmpty() ? withoutNumbers(error) : error;
    };
    const QString gone = quoted(QStringLiteral("host did not answer earlier in this run (first failure: %1)")
                                    .arg(firstFailure.isEmpty() ? results.value(1).error : firstFailure));
    QCOMPARE(quoted(results.value(3).error), gone);
    QCOMPARE(results.value(3).curlCode, 0);
    QCOMPARE(results.value(3).attempts, 0);
    QCOMPARE(results.value(3).header, QString());
    if (!closedPort) {
        QCOMPARE(server.requestCount("/silent"), 2);
        QVERIFY(clock.elapsed() < 4000); // both at once, per-host limit 2; the third did not wait
    }

    // Later pages too, at once.
    clock.restart();
    QCOMPARE(quoted(fetchAll(pool, {base + "?4"}, 1000).value(1).error), gone);
    QVERIFY(clock.elapsed() < 500);

    pool.forgetHosts();
    const FetchResult again = fetchAll(pool, {base + "?5"}, 5000).value(1);
    QCOMPARE(again.attempts, 1);
    QVERIFY(!again.error.startsWith(QLatin1String("host did not answer")));
    if (!closedPort)
        QCOMPARE(server.requestCount("/silent"), 3);
}

void TestFetchPool::asksAgainOnceAfterATransientFailure_data()
{
    QTest::addColumn<QString>("failure"); // "reset" or a status code
    QTest::addColumn<int>("failures");    // before the page is served
    QTest::addColumn<int>("requests");
    QTest::addColumn<QString>("firstLine"); // of the result; empty: failed

    QTest::newRow("reset, then the page")
        << QStringLiteral("reset") << 1 << 2 << QStringLiteral("HTTP/1.1 200 OK");
    QTest::newRow("reset twice stands") << QStringLiteral("reset") << 2 << 2 << QString();
    QTest::newRow("502, then the page")
        << QStringLiteral("502") << 1 << 2 << QStringLiteral("HTTP/1.1 200 OK");
    QTest::newRow("504, then the page")
        << QStringLiteral("504") << 1 << 2 << QStringLiteral("HTTP/1.1 200 OK");
    QTest::newRow("504 twice stands")
        << QStringLiteral("504") << 2 << 2 << QStringLiteral("HTTP/1.1 504 Trouble");
    QTest::newRow("404 never") << QStringLiteral("404") << 1 << 1 << QStringLiteral("HTTP/1.1 404 Trouble");
    QTest::newRow("410 never") << QStringLiteral("410") << 1 << 1 << QStringLiteral("HTTP/1.1 410 Trouble");
    QTest::newRow("500 never") << QStringLiteral("500") << 1 << 1 << QStringLiteral("HTTP/1.1 500 Trouble");
}

void TestFetchPool::asksAgainOnceAfterATransientFailure()
{
    QFETCH(QString, failure);
    QFETCH(int, failures);
    QFETCH(int, requests);
    QFETCH(QString, firstLine);

    TestHttpServer server;
    auto served = std::make_shared<std::atomic<int>>(0);
    server.route("/flaky", [=](const TestHttpRequest&) {
        if (served->fetch_add(1) >= failures)
            return TestHttpResponse::html("<title>At last</title>");
        TestHttpResponse trouble = TestHttpResponse::html("trouble");
        if (failure == QLatin1String("reset")) {
            trouble.closeAfterBodyBytes = 0; // the connection is reset before a byte of the answer
        } else {
            trouble.status = failure.toInt();
            trouble.reason = "Trouble";
        }
        return trouble;
    });

    FetchPool pool(nullptr, quickFetchOptions());
    QElapsedTimer clock;
    clock.start();
    const FetchResult result = fetchAll(pool, {server.url("/flaky").toString()}, 10000).value(1);
    QCOMPARE(result.header.section(QStringLiteral("\r\n"), 0, 0), firstLine);
    QCOMPARE(result.ok(), !firstLine.isEmpty());
    QCOMPARE(server.requestCount("/flaky"), requests);
    QCOMPARE(result.attempts, requests);
    if (requests > 1) {
        // After a pause of one to three seconds.
        QVERIFY2(clock.elapsed() >= 1000 && result.milliseconds >= 1000,
                 qPrintable(QString::number(clock.elapsed())));
        QVERIFY2(clock.elapsed() < 4500, qPrintable(QString::number(clock.elapsed())));
    }
}

void TestFetchPool::asksATimedOutPageAgainOnlyWhenItsHostAnsweredBefore_data()
{
    QTest::addColumn<int>("connections");
    QTest::addColumn<QString>("third"); // the path of the third page
    QTest::addColumn<QString>("error");
    QTest::addColumn<int>("attempts");

    QTest::newRow("one connection") << 1 << QStringLiteral("/silent?b")
                                    << QStringLiteral("no answer within 2 s") << 2;
    QTest::newRow("four connections")
        << 4 << QStringLiteral("/silent?b") << QStringLiteral("no answer within 2 s") << 2;
    // It began to answer: a slow page, as slow the next time.
    QTest::newRow("a stall is not asked again")
        << 4 << QStringLiteral("/stall") << QStringLiteral("the transfer stalled: nothing arrived for 1 s")
        << 1;
}

// A page that got no answer in time is asked again when its host answered a
// page given before it, not when the host answered only later ones: with
// several connections the later page may well be answered first, and the
// result must still be that of one connection.
void TestFetchPool::asksATimedOutPageAgainOnlyWhenItsHostAnsweredBefore()
{
    QFETCH(int, connections);
    QFETCH(QString, third);
    QFETCH(QString, error);
    QFETCH(int, attempts);

    SilentServer server; // on /silent
    server.route("/page", TestHttpResponse::html("<title>Page</title>"));
    TestHttpResponse stall = TestHttpResponse::html(QByteArray(100, 's'));
    stall.bodyDelayMs = 60000;
    server.route("/stall", stall);
    FetchOptions options = withTimeout(2);
    options.lowSpeedSeconds = 1;
    FetchPool pool(nullptr, options, {connections, 2});
    const auto results = fetchAll(
        pool,
        {server.url("/silent?a").toString(), server.url("/page").toString(), server.url(third).toString()},
        20000);

    QCOMPARE(results.value(1).error, QStringLiteral("no answer within 2 s"));
    QCOMPARE(results.value(1).attempts, 1);
    QCOMPARE(results.value(2).attempts, 1);
    QVERIFY(results.value(2).ok());
    QCOMPARE(results.value(3).error, error);
    QCOMPARE(results.value(3).attempts, attempts);
}

void TestFetchPool::keepsToThePerHostLimitWhileAskingAgain()
{
    TestHttpServer server;
    auto served = std::make_shared<QSet<QString>>();
    auto lock = std::make_shared<QMutex>();
    server.route("/p/*", [=](const TestHttpRequest& request) {
        QMutexLocker locked(lock.get());
        TestHttpResponse r = TestHttpResponse::html(request.target);
        r.headDelayMs = 200;
        if (!served->contains(request.path)) {
            served->insert(request.path);
            r.status = 503;
            r.reason = "Service Unavailable";
        }
        return r;
    });
    FetchPool pool(nullptr, quickFetchOptions(), {8, 2});
    QStringList urls;
    for (int i = 0; i < 6; ++i)
        urls.append(server.url(QStringLiteral("/p/%1").arg(i)).toString());
    const auto results = fetchAll(pool, urls, 20000);
    for (quint64 id = 1; id <= 6; ++id) {
        QVERIFY(results.value(id).header.startsWith(QLatin1String("HTTP/1.1 200 OK")));
        QCOMPARE(results.value(id).attempts, 2);
    }
    QCOMPARE(server.requestCount("/p/0"), 2);
    QCOMPARE(server.peakConcurrentRequests(), 2);
}

void TestFetchPool::countsThePagesWaitingOnSilentHosts()
{
    SilentServer silent;
    TestHttpServer other(QHostAddress(QStringLiteral("127.0.0.2")));
    TestHttpResponse slowish = TestHttpResponse::html("<title>Slowish</title>");
    slowish.headDelayMs = 3000;
    other.route("/slowish", slowish);
    FetchPool pool(nullptr, withTimeout(5), {4, 2});
    QSignalSpy spy(&pool, &FetchPool::waitingChanged);
    QCOMPARE(pool.waitingCount(), 0);
    const QString url = silent.url("/silent").toString();
    pool.enqueue(1, url + "?1");
    pool.enqueue(2, url + "?2");
    pool.enqueue(3, url + "?3"); // queued for the host's limit
    pool.enqueue(4, other.url("/slowish").toString());

    // Past two seconds of silence: two transfers and the page behind them;
    // the other host, just as silent so far, counts too until it answers.
    QTRY_COMPARE_WITH_TIMEOUT(pool.waitingCount(), 4, 3000);
    QTRY_COMPARE_WITH_TIMEOUT(pool.waitingCount(), 3, 2000);
    QVERIFY2(pool.waitingLeftMs() > 1000 && pool.waitingLeftMs() <= 3000,
             qPrintable(QString::number(pool.waitingLeftMs())));
    // At the time-out the first two fail, and the third with them.
    QTRY_COMPARE_WITH_TIMEOUT(pool.waitingCount(), 0, 4000);
    QCOMPARE(pool.waitingLeftMs(), 0);
    QCOMPARE(pool.pendingCount(), 0);
    QVERIFY(spy.count() >= 3);
}

void TestFetchPool::letsSilentTransfersGoFreeWhenAsked_data()
{
    QTest::addColumn<bool>("free");
    QTest::addColumn<int>("atLeastMs"); // until the other host's page is in
    QTest::addColumn<int>("belowMs");

    QTest::newRow("counted") << false << 4000 << 5500;
    QTest::newRow("free") << true << 2000 << 3300;
}

// One connection in all: a page behind a silent server waits for its time-out,
// unless a silent transfer is let go free of the limit.
void TestFetchPool::letsSilentTransfersGoFreeWhenAsked()
{
    QFETCH(bool, free);
    QFETCH(int, atLeastMs);
    QFETCH(int, belowMs);

    auto both = std::make_shared<TestLoadGauge>();
    SilentServer silent;
    silent.shareGauge(both);
    TestHttpServer other(QHostAddress(QStringLiteral("127.0.0.2")));
    other.shareGauge(both);
    other.route("/page", TestHttpResponse::html("<title>Page</title>"));
    FetchPool pool(nullptr, withTimeout(4), {1, 2});
    pool.setSilentTransfersFree(free);
    QHash<quint64, qint64> doneAt;
    QElapsedTimer clock;
    clock.start();
    connect(&pool, &FetchPool::finished, this,
            [&](quint64 id, const FetchResult&) { doneAt.insert(id, clock.elapsed()); });
    pool.enqueue(1, silent.url("/silent").toString());
    pool.enqueue(2, other.url("/page").toString());
    QTRY_COMPARE_WITH_TIMEOUT(doneAt.size(), 2, 8000);
    QVERIFY2(doneAt.value(2) >= atLeastMs && doneAt.value(2) < belowMs,
             qPrintable(QString::number(doneAt.value(2))));
    // Free, both were under way at once, long before the time-out. (Counted,
    // the servers may see them overlap for a moment: the silent server
    // notices the client's hang-up a little after the other request came.)
    if (free)
        QCOMPARE(both->peak(), 2);
}

QTEST_GUILESS_MAIN(TestFetchPool)
#include "tst_fetchpool.moc"
