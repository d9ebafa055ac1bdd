// Servers that misbehave on purpose: every fetch ends within the fetcher's
// limits without a crash or a runaway allocation, and a batch run over all of
// them, mixed with good pages, keeps every good page's row, stays small and
// never reads a local file.
#include "BatchProbe.h"
#include "HostileCatalogue.h"
#include "HostileServer.h"
#include "platform/PageFetcher.h"
#include "results/AsciiDatabase.h"
#include "results/ResultsTable.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <cerrno>
#include <sys/inotify.h>
#include <unistd.h>

class TestHostile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void fetchEndsWithinItsLimits_data();
    void fetchEndsWithinItsLimits();
    void localAndForeignSchemesAreRefused_data();
    void localAndForeignSchemesAreRefused();
    void batchRunOverHostileServers();

private:
    // Opens and reads of the local file since the watch began.
    int localFileAccesses();

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<HostileServer> m_server;
    QList<HostileCatalogue::Case> m_cases;
    QList<HostileCatalogue::GoodPage> m_goodPages;
    QString m_localFile;
    int m_inotify = -1;
};

namespace {

// Short limits for the single fetches: the behaviour under test is that a
// limit ends the transfer, not how long the limit is.
FetchOptions quickOptions()
{
    FetchOptions o;
    o.connectTimeoutMs = 3000;
    o.totalTimeoutMs = 6000;
    o.lowSpeedSeconds = 3;
    o.maxBodyBytes = 8 * 1024 * 1024;
    return o;
}

// The fetcher's own limits (20 s to connect and begin the answer, 20 s of
// silence once it has begun, 60 s in all) bound every URL of a batch run; a
// little slack for a loaded machine.
constexpr qint64 kUrlLimitMs = 60000 + 8000;
constexpr qint64 kPeakRssLimitKiB = 300 * 1024;

} // namespace

void TestHostile::initTestCase()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_localFile = m_dir->filePath(QStringLiteral("local-secret.html"));
    QFile secret(m_localFile);
    QVERIFY(secret.open(QIODevice::WriteOnly));
    secret.write("<html><head><title>LOCAL SECRET</title></head><body>secret@local.example</body></html>\n");
    secret.close();
    m_inotify = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    QVERIFY(m_inotify >= 0);
    QVERIFY(inotify_add_watch(m_inotify, QFile::encodeName(m_localFile).constData(), IN_OPEN | IN_ACCESS) >=
            0);

    m_server = std::make_unique<HostileServer>();
    m_cases = HostileCatalogue::install(*m_server, m_localFile);
    m_goodPages = HostileCatalogue::installGoodPages(*m_server, 20);
    HostileCatalogue::gzipBomb(); // made once, before any clock runs
}

void TestHostile::cleanupTestCase()
{
    m_server.reset();
    if (m_inotify >= 0)
        ::close(m_inotify);
}

int TestHostile::localFileAccesses()
{
    int events = 0;
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(m_inotify, buffer, sizeof buffer);
        if (n <= 0)
            return events;
        for (ssize_t at = 0; at < n;) {
            const auto* e = reinterpret_cast<const inotify_event*>(buffer + at);
            events += (e->mask & (IN_OPEN | IN_ACCESS)) != 0;
            at += ssize_t(sizeof(inotify_event) + e->len);
        }
    }
}

void TestHostile::fetchEndsWithinItsLimits_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("outcome");
    for (const HostileCatalogue::Case& c : m_cases)
        QTest::newRow(qPrintable(c.name)) << c.path << int(c.outcome);
}

void TestHostile::fetchEndsWithinItsLimits()
{
    QFETCH(QString, path);
    QFETCH(int, outcome);
    const FetchOptions options = quickOptions();
    QElapsedTimer clock;
    clock.start();
    const FetchResult r = PageFetcher::fetch(m_server->url(path), options);
    // The total limit, plus a moment for the connection to wind down.
    QVERIFY2(clock.elapsed() < options.totalTimeoutMs + 3000, qPrintable(QString::number(clock.elapsed())));

    switch (HostileCatalogue::Outcome(outcome)) {
    case HostileCatalogue::Outcome::Fails:
        QVERIFY2(!r.ok(), qPrintable(r.header.left(200)));
        QVERIFY(r.body.isEmpty());
        QVERIFY(r.header.isEmpty());
        break;
    case HostileCatalogue::Outcome::Truncated:
        QVERIFY2(r.ok(), qPrintable(r.error));
        QVERIFY(r.truncated);
        // Bytes become at most one character each; line breaks may double.
        QVERIFY(r.body.size() <= 2 * options.maxBodyBytes);
        QVERIFY(r.body.size() >= options.maxBodyBytes / 2);
        break;
    case HostileCatalogue::Outcome::Arrives:
        QVERIFY2(r.ok(), qPrintable(r.error));
        QVERIFY(!r.truncated);
        break;
    }
    if (path == QLatin1String("/many-headers")) {
        QVERIFY(r.header.startsWith(QLatin1String("HTTP/1.1 200 OK\r\n")));
        QCOMPARE(r.header.count(QLatin1String("\r\nX-")), HostileCatalogue::HeaderLines);
    }
    if (path == QLatin1String("/invalid-utf8")) {
        // Declared UTF-8 stays UTF-8: bad bytes become U+FFFD, NUL stays a character.
        QVERIFY(r.body.contains(QChar::ReplacementCharacter));
        QVERIFY(r.body.contains(QChar(0)));
        QVERIFY(r.body.contains(QLatin1String("</title>")));
    }
    if (path == QLatin1String("/huge-title"))
        QVERIFY(r.body.size() > HostileCatalogue::TitleBytes);
}

void TestHostile::localAndForeignSchemesAreRefused_data()
{
    QTest::addColumn<QString>("url");
    QTest::newRow("file URL") << QStringLiteral("file://") + m_localFile;
    QTest::newRow("file URL, host form") << QStringLiteral("file://localhost") + m_localFile;
    QTest::newRow("redirect to file") << m_server->url(QStringLiteral("/redirect-file"));
    QTest::newRow("gopher URL") << QStringLiteral("gopher://127.0.0.1:%1/1selector").arg(m_server->port());
    QTest::newRow("redirect to gopher") << m_server->url(QStringLiteral("/redirect-gopher"));
    QTest::newRow("dict URL") << QStringLiteral("dict://127.0.0.1:%1/d:word").arg(m_server->port());
}

void TestHostile::localAndForeignSchemesAreRefused()
{
    QFETCH(QString, url);
    localFileAccesses();
    const int requestsBefore = int(m_server->requestLines().size());
    const FetchResult r = PageFetcher::fetch(url, quickOptions());
    QVERIFY(!r.ok());
    QVERIFY(!r.body.contains(QLatin1String("SECRET")));
    QCOMPARE(localFileAccesses(), 0);
    // Nothing but HTTP requests ever reach the server.
    for (const QString& line : m_server->requestLines().mid(requestsBefore))
        QVERIFY2(line.startsWith(QLatin1String("GET /")), qPrintable(line));
}

void TestHostile::batchRunOverHostileServers()
{
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    QVERIFY(BatchProbe::seedFolder(folder.path()));

    // Good pages before, between and after the hostile ones, and two local
    // addresses typed straight into the list.
    QStringList urls;
    QStringList goodUrls;
    int g = 0;
    const auto good = [&] {
        const QString u = m_server->url(m_goodPages[g++].path);
        goodUrls.append(u);
        urls.append(u);
    };
    good();
    for (const HostileCatalogue::Case& c : m_cases) {
        urls.append(m_server->url(c.path));
        good();
    }
    urls.append(QStringLiteral("file://") + m_localFile);
    urls.append(QStringLiteral("gopher://127.0.0.1:%1/1selector").arg(m_server->port()));
    while (g < m_goodPages.size())
        good();

    const QString links = folder.filePath(QStringLiteral("links-to-visit.txt"));
    const QString output = folder.filePath(QStringLiteral("rows.txt"));
    QVERIFY(BatchProbe::writeLinks(links, urls));
    localFileAccesses();

    BatchProbe probe;
    const bool finished =
        probe.run({QStringLiteral("--folder"), folder.path(), QStringLiteral("--output"), output, links},
                  int(kUrlLimitMs * 3));
    QVERIFY2(finished, qPrintable(probe.messages().right(2000)));
    QVERIFY2(probe.finishedNormally() && probe.exitCode() == 0, qPrintable(probe.messages().right(2000)));
    QVERIFY(probe.messages().contains(QStringLiteral(" Processed: %1  Added: ").arg(urls.size())));
    QVERIFY(probe.messages().contains(QLatin1String(" Done!")));

    // Every URL had its turn, in order, each within the fetcher's limits.
    QCOMPARE(probe.turns().size(), urls.size());
    for (int i = 0; i < urls.size(); ++i) {
        QCOMPARE(probe.turns()[i].url, urls[i]);
        QVERIFY2(probe.turns()[i].durationMs < kUrlLimitMs,
                 qPrintable(QStringLiteral("%1 took %2 ms").arg(urls[i]).arg(probe.turns()[i].durationMs)));
    }
    QVERIFY2(probe.peakRssKiB() < kPeakRssLimitKiB,
             qPrintable(QStringLiteral("peak RSS %1 KiB").arg(probe.peakRssKiB())));
    qInfo("batch over %d URLs: %lld ms, peak RSS %lld KiB", int(urls.size()), probe.elapsedMs(),
          probe.peakRssKiB());
    for (const BatchProbe::UrlTurn& turn : probe.turns())
        if (turn.durationMs > 1000)
            qInfo("  %lld ms: %s", turn.durationMs, qPrintable(turn.url));

    // No good page lost: each has its row, in list order, with its title.
    ResultsTable rows;
    QVERIFY(LoadResults(rows, output, QStringLiteral("|[@]|")));
    QStringList rowUrls;
    for (int r = 1; r < rows.tableRowCount(); ++r) {
        rowUrls.append(rows.cell(r, 4));
        QVERIFY(!rows.cell(r, 1).contains(QLatin1String("SECRET")));
        QVERIFY(!rows.cell(r, 2).contains(QLatin1String("local.example")));
    }
    qsizetype from = 0;
    for (int i = 0; i < goodUrls.size(); ++i) {
        const qsizetype at = rowUrls.indexOf(goodUrls[i], from);
        QVERIFY2(at >= 0, qPrintable(goodUrls[i]));
        QCOMPARE(rows.cell(int(at) + 1, 1), m_goodPages[i].title);
        from = at + 1;
    }
    // The 5 MB title came through whole.
    const qsizetype huge = rowUrls.indexOf(m_server->url(QStringLiteral("/huge-title")));
    QVERIFY(huge >= 0);
    QVERIFY(rows.cell(int(huge) + 1, 1).size() >= HostileCatalogue::TitleBytes - 10);

    QCOMPARE(localFileAccesses(), 0);
    for (const QString& line : m_server->requestLines())
        QVERIFY2(line.startsWith(QLatin1String("GET /")), qPrintable(line));
}

QTEST_GUILESS_MAIN(TestHostile)
#include "tst_hostile.moc"
