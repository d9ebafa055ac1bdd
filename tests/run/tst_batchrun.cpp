#include "TestFetchOptions.h"
#include "SilentServer.h"
#include "TestHttpServer.h"
#include "filters/SortedListModel.h"
#include "linkback/MySites.h"
#include "results/AsciiDatabase.h"
#include "results/ResultsTable.h"
#include "run/BatchRun.h"
#include "run/LinkBackSetup.h"
#include "run/RunPace.h"
#include "run/RunTableFeed.h"
#include "settings/Settings.h"

#include <QLoggingCategory>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <functional>

namespace {

QByteArray page(const QByteArray& title, const QByteArray& description)
{
    return "<html><head><title>" + title + "</title>\n<meta name=\"description\" content=\"" + description +
           "\"></head><body>mail: info@example.org</body></html>\n";
}

// Set, from the fetch pool's thread, once the pool reports that it waits out
// a busy server's pause before asking again.
std::atomic<bool> g_pauseBegun{false};

void watchForPause(QtMsgType, const QMessageLogContext& context, const QString& message)
{
    if (qstrcmp(context.category, "quillmark.platform") == 0 && message.contains(QLatin1String("asked again in")))
        g_pauseBegun = true;
}

// Listens to the fetch pool's diagnostics for as long as it lives.
class PauseWatch
{
public:
    PauseWatch() : m_previous(qInstallMessageHandler(&watchForPause))
    {
        g_pauseBegun = false;
        QLoggingCategory::setFilterRules(QStringLiteral("quillmark.platform.debug=true"));
    }
    ~PauseWatch()
    {
        QLoggingCategory::setFilterRules(QString());
        qInstallMessageHandler(m_previous);
    }
    PauseWatch(const PauseWatch&) = delete;
    PauseWatch& operator=(const PauseWatch&) = delete;

private:
    QtMessageHandler m_previous;
};

} // namespace

class TestBatchRun : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void emptyListResetsTableAndIsDone_data();
    void emptyListResetsTableAndIsDone();
    void secondOfThreeRefusedByStatus();
    void stopDuringFirstOfFive();
    void heldRunWaitsBeforeNextUrl();
    void stopWhileIdleIsClearedByNextRun();
    void stopDuringLastUrlEndsDone();
    void stopEndsTheWaitForABusyServer();
    void stopEndsTheWaitForARobotsFile();
    void silentRobotsFileHoldsBackNoOtherHost();
    void pageWithoutTitleOrDescriptionGetsFallbacks();
    void lfOnlyPageGoesThroughLineBreakRemoval();
    void failedFetchIsProcessedAndRunGoesOn();
    void progressTextsOfThreeUrls();
    void progressWhenTheListShrinks_data();
    void progressWhenTheListShrinks();
    void percentText_data();
    void percentText();
    void settingChangedWhileWaitingAppliesToNextUrl();
    void startWhileRunningIsIgnored();
    void slowPatternLeavesTheEventLoopRunning();
    void eightConnectionsGiveWhatOneGives();
    void paceOverTheLastMinute_data();
    void paceOverTheLastMinute();

private:
    void addPages(int count);
    void runToEnd(BatchRun& run);

    std::unique_ptr<TestHttpServer> m_server;
    std::unique_ptr<Settings> m_settings;
    std::unique_ptr<SortedListModel> m_links;
    std::unique_ptr<SortedListModel> m_badWords;
    std::unique_ptr<SortedListModel> m_valid;
    std::unique_ptr<ResultsTable> m_table;
    std::unique_ptr<BatchRun> m_run;
    std::unique_ptr<RunTableFeed> m_feed;
};

void TestBatchRun::init()
{
    m_server = std::make_unique<TestHttpServer>();
    m_settings = std::make_unique<Settings>();
    m_links = std::make_unique<SortedListModel>();
    m_badWords = std::make_unique<SortedListModel>();
    m_valid = std::make_unique<SortedListModel>();
    m_table = std::make_unique<ResultsTable>();
    m_run = std::make_unique<BatchRun>(*m_settings, *m_links, *m_badWords, *m_valid, quickFetchOptions());
    m_feed = std::make_unique<RunTableFeed>(*m_run, *m_table);
}

void TestBatchRun::cleanup()
{
    m_feed.reset();
    m_run.reset();
    m_table.reset();
    m_server.reset();
}

// Pages /p1 .. /pN titled "Page i", in list order.
void TestBatchRun::addPages(int count)
{
    for (int i = 1; i <= count; ++i) {
        const QByteArray n = QByteArray::number(i);
        m_server->route("/p" + QString::number(i), TestHttpResponse::html(page("Page " + n, "About " + n)));
        m_links->add(m_server->url("/p" + QString::number(i)).toString());
    }
}

void TestBatchRun::runToEnd(BatchRun& run)
{
    QSignalSpy finished(&run, &BatchRun::finished);
    run.start();
    if (finished.isEmpty())
        QVERIFY(finished.wait(10000));
    QCOMPARE(finished.count(), 1);
    QVERIFY(!run.isRunning());
}

void TestBatchRun::emptyListResetsTableAndIsDone_data()
{
    QTest::addColumn<int>("rowsBefore");
    QTest::addColumn<int>("rowsAfter");
    QTest::newRow("header only stays header only") << 1 << 1;
    QTest::newRow("two rows stay two") << 2 << 2;
    QTest::newRow("many rows leave one empty row") << 6 << 2;
}

void TestBatchRun::emptyListResetsTableAndIsDone()
{
    QFETCH(int, rowsBefore);
    QFETCH(int, rowsAfter);
    m_table->setTableRowCount(rowsBefore);
    for (int r = 0; r < rowsBefore; ++r)
        m_table->setCell(r, 1, QStringLiteral("old"));
    QSignalSpy progress(m_feed.get(), &RunTableFeed::progressChanged);
    QSignalSpy processed(m_feed.get(), &RunTableFeed::processedChanged);
    QSignalSpy added(m_feed.get(), &RunTableFeed::addedChanged);

    runToEnd(*m_run);
    QCOMPARE(m_feed->statusText(), QStringLiteral(" Done!"));
    QCOMPARE(m_table->tableRowCount(), rowsAfter);
    QCOMPARE(m_table->cell(0, 1), QStringLiteral("Title"));
    QCOMPARE(m_table->cell(0, 0), QStringLiteral("#"));
    if (rowsAfter > 1)
        QCOMPARE(m_table->cell(1, 1), QString());
    QCOMPARE(processed.count(), 1);
    QCOMPARE(processed.first().first().toInt(), 0);
    QCOMPARE(added.first().first().toInt(), 0);
    QCOMPARE(progress.count(), 0); // the bar is left as it was
    QCOMPARE(m_feed->progressText(), QStringLiteral("0%"));
    QCOMPARE(m_server->requests().size(), 0);
}

void TestBatchRun::secondOfThreeRefusedByStatus()
{
    addPages(3);
    TestHttpResponse missing = TestHttpResponse::html(page("Gone", "Gone"));
    missing.status = 404;
    missing.reason = "Not Found";
    m_server->route("/p2", missing);
    m_valid->add(QStringLiteral("200 OK"));

    runToEnd(*m_run);
    QCOMPARE(m_run->processed(), 3);
    QCOMPARE(m_run->added(), 2);
    QCOMPARE(m_feed->statusText(), QStringLiteral(" Done!"));
    QCOMPARE(m_table->tableRowCount(), 4); // header, two rows, the empty row left by the reset
    QCOMPARE(m_table->cell(1, 0), QStringLiteral("1"));
    QCOMPARE(m_table->cell(2, 0), QStringLiteral("2"));
    QCOMPARE(m_table->cell(1, 4), m_server->url("/p1").toString());
    QCOMPARE(m_table->cell(2, 4), m_server->url("/p3").toString());
    QCOMPARE(m_table->cell(2, 1), QStringLiteral("Page 3"));
    QCOMPARE(m_table->cell(2, 2), QStringLiteral("info@example.org"));
    QCOMPARE(m_table->cell(2, 3), QStringLiteral("About 3"));
    QCOMPARE(m_table->cell(3, 4), QString());
    QCOMPARE(m_server->requestCount("/p2"), 1);
}

void TestBatchRun::stopDuringFirstOfFive()
{
    addPages(5);
    TestHttpResponse slow = TestHttpResponse::html(page("Page 1", "About 1"));
    slow.headDelayMs = 200;
    m_server->route("/p1", slow);
    QSignalSpy running(m_run.get(), &BatchRun::runningChanged);
    // The user clicks "Stop" while the first page is in flight: the message
    // box opens (hold), then its OK sets the stop.
    connect(m_feed.get(), &RunTableFeed::statusTextChanged, this, [this](const QString& text) {
        if (text.endsWith(QLatin1String("/p1"))) {
            m_run->setHeld(true);
            QTimer::singleShot(50, this, [this] { m_run->requestStop(); });
        }
    });

    runToEnd(*m_run);
    QCOMPARE(m_feed->statusText(), QStringLiteral(" Process was killed by Stop button!"));
    QCOMPARE(m_run->processed(), 1);
    QCOMPARE(m_run->added(), 1);
    QVERIFY(m_run->stopRequested());
    QCOMPARE(m_server->requestCount("/p2"), 0);
    QCOMPARE(running.count(), 2);
    QCOMPARE(running.last().first().toBool(), false);
    QVERIFY(m_table->isUserEditable());
}

void TestBatchRun::heldRunWaitsBeforeNextUrl()
{
    addPages(2);
    QSignalSpy finished(m_run.get(), &BatchRun::finished);
    connect(m_feed.get(), &RunTableFeed::statusTextChanged, this, [this](const QString& text) {
        if (text.endsWith(QLatin1String("/p1")))
            m_run->setHeld(true);
    });
    m_run->start();
    QTRY_COMPARE(m_run->processed(), 1);
    // The box is still open: the first URL is done, the second must not start.
    QTRY_COMPARE(m_run->state(), BatchRun::State::Holding);
    QCOMPARE(m_server->requestCount("/p2"), 0);
    QVERIFY(m_run->isRunning());
    QVERIFY(!m_table->isUserEditable());
    // Closing it without a stop (not possible with the one-button box, but the
    // run must not depend on that) lets the run go on.
    m_run->setHeld(false);
    QVERIFY(finished.wait(5000));
    QCOMPARE(m_feed->statusText(), QStringLiteral(" Done!"));
    QCOMPARE(m_run->processed(), 2);
}

void TestBatchRun::stopWhileIdleIsClearedByNextRun()
{
    addPages(3);
    QSignalSpy stop(m_run.get(), &BatchRun::stopRequestedChanged);
    m_run->requestStop();
    QVERIFY(m_run->stopRequested());
    QCOMPARE(stop.last().first().toBool(), true);

    runToEnd(*m_run);
    QCOMPARE(stop.last().first().toBool(), false);
    QVERIFY(!m_run->stopRequested());
    QCOMPARE(m_run->processed(), 3);
    QCOMPARE(m_feed->statusText(), QStringLiteral(" Done!"));
}

void TestBatchRun::stopDuringLastUrlEndsDone()
{
    addPages(3);
    connect(m_feed.get(), &RunTableFeed::statusTextChanged, this, [this](const QString& text) {
        if (text.endsWith(QLatin1String("/p3")))
            m_run->requestStop();
    });
    runToEnd(*m_run);
    QCOMPARE(m_feed->statusText(), QStringLiteral(" Done!"));
    QVERIFY(m_run->stopRequested());
    QCOMPARE(m_run->processed(), 3);
    QCOMPARE(m_run->added(), 3);
}

// A busy server asks for a pause of 100 s before the page at work is asked for
// again: the stop ends the run with the busy answer instead of that pause.
void TestBatchRun::stopEndsTheWaitForABusyServer()
{
    addPages(2);
    TestHttpResponse busy = TestHttpResponse::html(page("Busy", "Busy"));
    busy.status = 503;
    busy.reason = "Service Unavailable";
    m_server->route("/p1", busy.header("Retry-After", "100"));
    m_valid->add(QStringLiteral("200 OK"));
    QSignalSpy finished(m_run.get(), &BatchRun::finished);
    {
        // The stop must come once the busy answer is in and its pause has
        // begun; one that came while the transfer was still under way would
        // leave the pause to run its course.
        const PauseWatch watch;
        m_run->start();
        QTRY_VERIFY(g_pauseBegun.load());
    }
    m_run->requestStop();
    QVERIFY(finished.wait(5000));
    QCOMPARE(m_feed->statusText(), QStringLiteral(" Process was killed by Stop button!"));
    QCOMPARE(m_run->processed(), 1);
    QCOMPARE(m_run->added(), 0);
    QCOMPARE(m_run->outcomes().constFirst().reason(),
             QStringLiteral("status line not accepted: HTTP/1.1 503 Service Unavailable"));
    QCOMPARE(m_server->requestCount("/p1"), 1);
}

void TestBatchRun::stopEndsTheWaitForARobotsFile()
{
    m_settings->setFlag(Key::UseRecip, FlagState::Off);
    LinkBackSetup setup;
    setup.sites = MySites::parse({QStringLiteral("example.com")});
    m_run->setLinkBack(setup);
    m_server->route("/a-partner.html",
                    TestHttpResponse::html(page("Partner", "Partner <a href=\"https://example.com/\">Example</a>")));
    TestHttpResponse silent;
    silent.silent = true;
    m_server->route("/robots.txt", silent);
    m_links->add(m_server->url("/a-partner.html").toString());
    m_links->add(m_server->url("/b-next.html").toString());
    m_valid->add(QStringLiteral("200 OK"));
    QSignalSpy finished(m_run.get(), &BatchRun::finished);
    m_run->start();
    QTRY_COMPARE(m_server->requestCount("/robots.txt"), 1);
    QTRY_COMPARE(m_server->requestCount("/a-partner.html"), 1);
    // The robots.txt would be given up after the fetch's 5 s.
    m_run->requestStop();
    QVERIFY(finished.wait(3000));
    QCOMPARE(m_feed->statusText(), QStringLiteral(" Process was killed by Stop button!"));
    QCOMPARE(m_run->processed(), 1);
    QCOMPARE(m_run->added(), 1);
}

// Each host's robots.txt goes out with its first page: the second host's is
// read while the first host's is still silent, not once that one is given up.
void TestBatchRun::silentRobotsFileHoldsBackNoOtherHost()
{
    LinkBackSetup setup;
    setup.sites = MySites::parse({QStringLiteral("example.com")});
    m_run->setLinkBack(setup);
    m_run->setFetchLimits({6, 2});
    TestHttpServer other(QHostAddress(QStringLiteral("127.0.0.2")));
    const TestHttpResponse partner =
        TestHttpResponse::html(page("Partner", "Partner <a href=\"https://example.com/\">Example</a>"));
    m_server->route("/a", partner);
    other.route("/b", partner);
    TestHttpResponse silent;
    silent.silent = true;
    m_server->route("/robots.txt", silent);
    other.route("/robots.txt", TestHttpResponse::html("User-agent: *\nDisallow: /b\n", "text/plain"));
    m_links->add(m_server->url("/a").toString());
    m_links->add(other.url("/b").toString());
    m_run->start();
    // The silent file is given up after the fetch's 5 s.
    QTRY_COMPARE_WITH_TIMEOUT(other.requestCount("/robots.txt"), 1, 3000);
    QCOMPARE(m_run->processed(), 0);
}

void TestBatchRun::pageWithoutTitleOrDescriptionGetsFallbacks()
{
    m_settings->setFlag(Key::ContentTypeCheck, FlagState::Off);
    m_settings->setFlag(Key::UseRecip, FlagState::Off);
    m_settings->setSelected(Key::TitleNoTitle3, true);
    m_settings->setText(Key::TitleNoTitle4, QStringLiteral("no title here"));
    m_settings->setSelected(Key::TitleCaps2, true);
    m_settings->setSelected(Key::DescriptionNoTitle1, true);
    m_settings->setSelected(Key::EmailOption3, true);
    m_server->route("/bare.html", TestHttpResponse::html("just bytes", "application/octet-stream"));
    m_links->add(m_server->url("/bare.html").toString());

    runToEnd(*m_run);
    QCOMPARE(m_run->added(), 1);
    QCOMPARE(m_table->cell(1, 1), QStringLiteral("No Title Here"));
    QCOMPARE(m_table->cell(1, 2), QStringLiteral("webmaster@bare.html"));
    QCOMPARE(m_table->cell(1, 3), QStringLiteral("bare.html"));
}

void TestBatchRun::lfOnlyPageGoesThroughLineBreakRemoval()
{
    m_server->route("/lf",
                    TestHttpResponse::html("<html>\n<head>\n<title>Unix Title</title>\n"
                                           "<meta name=\"description\" content=\"first line\nsecond line\">\n"
                                           "</head>\n</html>\n"));
    m_links->add(m_server->url("/lf").toString());
    runToEnd(*m_run);
    QCOMPARE(m_table->cell(1, 1), QStringLiteral("Unix Title"));
    QCOMPARE(m_table->cell(1, 3), QStringLiteral("first linesecond line"));
    QVERIFY(m_feed->pageBuffer().contains(QStringLiteral("<html>\r\n<head>\r\n")));
}

void TestBatchRun::failedFetchIsProcessedAndRunGoesOn()
{
    addPages(1);
    m_links->add(QStringLiteral("http://localhost:1/unreachable")); // sorts after the page
    QSignalSpy buffers(m_feed.get(), &RunTableFeed::pageBufferChanged);
    runToEnd(*m_run);
    // The content-type check is on by default: the empty header block refuses the failed URL.
    QCOMPARE(m_run->processed(), 2);
    QCOMPARE(m_run->added(), 1);
    QCOMPARE(m_table->cell(1, 4), m_server->url("/p1").toString());
    QCOMPARE(buffers.count(), 2);
    QCOMPARE(buffers.last().first().toString(), QString()); // never the previous page
}

void TestBatchRun::progressTextsOfThreeUrls()
{
    addPages(3);
    QSignalSpy progress(m_feed.get(), &RunTableFeed::progressChanged);
    runToEnd(*m_run);
    QCOMPARE(progress.count(), 3);
    QCOMPARE(progress.at(0).at(1).toString(), QStringLiteral("33.33333%"));
    QCOMPARE(progress.at(1).at(1).toString(), QStringLiteral("66.66666%"));
    QCOMPARE(progress.at(2).at(1).toString(), QStringLiteral("100%"));
    QCOMPARE(progress.at(2).at(0).toDouble(), 1.0);
}

// The divisor of the bar is the list's count at each URL, and the user may
// remove entries while the run waits between two URLs. The bar never runs past
// its end, and an emptied list gives no division by zero.
void TestBatchRun::progressWhenTheListShrinks_data()
{
    QTest::addColumn<int>("keep");
    QTest::addColumn<int>("connections");
    QTest::addColumn<QStringList>("texts");
    QTest::newRow("one entry left") << 1 << 1 << QStringList{"33.33333%", "100%", "100%"};
    QTest::newRow("list emptied") << 0 << 1 << QStringList{"33.33333%", "100%", "100%"};
    // The pages fetched ahead for the removed entries are not used.
    QTest::newRow("emptied, pages fetched ahead") << 0 << 8 << QStringList{"33.33333%", "100%", "100%"};
}

void TestBatchRun::progressWhenTheListShrinks()
{
    QFETCH(int, keep);
    QFETCH(int, connections);
    QFETCH(QStringList, texts);
    addPages(3);
    m_run->setFetchLimits({connections, 2});
    connect(m_feed.get(), &RunTableFeed::progressChanged, this, [this, keep] {
        if (m_run->processed() == 1) {
            while (m_links->count() > keep)
                m_links->removeAt(m_links->count() - 1);
        }
    });
    QSignalSpy progress(m_feed.get(), &RunTableFeed::progressChanged);
    runToEnd(*m_run);
    // N was taken at the start: every one of the three turns is completed.
    QCOMPARE(m_run->processed(), 3);
    QCOMPARE(m_feed->statusText(), QStringLiteral(" Done!"));
    QCOMPARE(progress.count(), texts.size());
    for (int i = 0; i < progress.count(); ++i) {
        QCOMPARE(progress.at(i).at(1).toString(), texts.at(i));
        QVERIFY(progress.at(i).at(0).toDouble() <= 1.0);
    }
    QCOMPARE(m_feed->progressFraction(), 1.0);
    QCOMPARE(m_run->added(), 1); // turns 2 and 3 find no entry at their place
}

void TestBatchRun::percentText_data()
{
    QTest::addColumn<double>("fraction");
    QTest::addColumn<QString>("text");
    QTest::newRow("half") << 0.5 << "50%";
    QTest::newRow("third") << 1.0 / 3.0 << "33.33333%";
    QTest::newRow("seventh") << 1.0 / 7.0 << "14.28571%";
    QTest::newRow("all") << 1.0 << "100%";
    QTest::newRow("tiny") << 1.0 / 10000000.0 << "1E-05%";
}

void TestBatchRun::percentText()
{
    QFETCH(double, fraction);
    QFETCH(QString, text);
    QCOMPARE(RunTableFeed::percentText(fraction), text);
}

void TestBatchRun::settingChangedWhileWaitingAppliesToNextUrl()
{
    addPages(2);
    // Changed in the pause after the first URL, as the user would between two pages.
    connect(m_feed.get(), &RunTableFeed::progressChanged, this, [this] {
        if (m_run->processed() == 1)
            m_settings->setSelected(Key::TitleCaps4, true);
    });
    runToEnd(*m_run);
    QCOMPARE(m_table->cell(1, 1), QStringLiteral("Page 1"));
    QCOMPARE(m_table->cell(2, 1), QStringLiteral("PAGE 2"));
}

void TestBatchRun::startWhileRunningIsIgnored()
{
    addPages(2);
    QSignalSpy finished(m_run.get(), &BatchRun::finished);
    m_run->start();
    QVERIFY(!m_table->isUserEditable());
    m_run->start();
    QVERIFY(finished.wait(5000));
    QCOMPARE(finished.count(), 1);
    QCOMPARE(m_server->requests().size(), 2);
    QCOMPARE(m_run->added(), 2);
    QVERIFY(m_table->isUserEditable());
}

// A user pattern that backtracks at every position of a long page takes as
// long as the time limit allows; the owner's thread must keep handling events
// meanwhile (a "Stop" click, painting), and closing the window must not wait
// for the pattern.
void TestBatchRun::slowPatternLeavesTheEventLoopRunning()
{
    m_settings->setText(Key::TitleRegEx1, QStringLiteral("(a+)\\1[^a]"));
    m_settings->setText(Key::TitleRegEx2, QString());
    m_settings->setText(Key::TitleRegEx3, QString());
    m_run->setAnalysisTimeLimit(std::chrono::minutes(2));
    m_server->route("/slow", TestHttpResponse::html(QByteArray(2000, 'a')));
    m_links->add(m_server->url("/slow").toString());

    // A chain of zero-timers, one per turn of the event loop, counts the turns
    // taken after the page was asked for and before the run was done with it.
    int turns = 0;
    bool chainEnded = false;
    std::function<void()> turn = [&] {
        if (m_server->requestCount("/slow") > 0)
            ++turns;
        if (m_run->processed() > 0 || turns >= 1000) {
            chainEnded = true;
            return;
        }
        QTimer::singleShot(0, this, turn);
    };
    m_run->start();
    QTimer::singleShot(0, this, turn);
    QTRY_VERIFY_WITH_TIMEOUT(chainEnded, 60000);
    QCOMPARE(m_run->processed(), 0);
    QVERIFY(m_run->isRunning());
    m_run.reset(); // cancels the analysis at work and waits for it
}

// The pace counts the pages of the last minute only, so that a run that slows
// down (a run of dead hosts) says so soon; a younger run is measured over its
// whole life.
void TestBatchRun::paceOverTheLastMinute_data()
{
    QTest::addColumn<QList<qint64>>("doneAt"); // ms after the start
    QTest::addColumn<qint64>("now");
    QTest::addColumn<int>("left");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("waiting");          // pages on silent hosts, told at `now`
    QTest::addColumn<qint64>("waitingLeftMs"); // until the last of them is given up
    QTest::newRow("nothing done yet") << QList<qint64>{} << qint64(5000) << 10 << "" << 0 << qint64(0);
    QTest::newRow("two pages in four seconds")
        << QList<qint64>{1000, 4000} << qint64(4000) << 9 << "30 pages/min, 18 s left" << 0 << qint64(0);
    QTest::newRow("an old burst is forgotten")
        << QList<qint64>{1000, 1100, 1200, 1300, 1400, 1500, 65000, 95000} << qint64(120000) << 200
        << "2.0 pages/min, 1 h 40 min left" << 0 << qint64(0);
    QTest::newRow("fast") << QList<qint64>{100, 200, 300, 400, 500, 600, 700, 800, 900, 1000, 1000, 1000}
                          << qint64(1000) << 0 << "12 pages/s" << 0 << qint64(0);
    // A burst of pages fetched ahead: the pace says 2 s, but 3 pages wait on
    // silent hosts for up to 14.5 s more.
    QTest::newRow("waiting on slow hosts")
        << QList<qint64>{100, 200, 300, 400, 500, 600, 700, 800, 900, 1000} << qint64(1000) << 20
        << "10 pages/s, 15 s left, 3 waiting on slow hosts" << 3 << qint64(14500);
    QTest::newRow("waiting, nothing done yet")
        << QList<qint64>{} << qint64(1000) << 20 << "3 waiting on slow hosts" << 3 << qint64(14500);
}

void TestBatchRun::paceOverTheLastMinute()
{
    QFETCH(QList<qint64>, doneAt);
    QFETCH(qint64, now);
    QFETCH(int, left);
    QFETCH(QString, text);
    QFETCH(int, waiting);
    QFETCH(qint64, waitingLeftMs);
    qint64 clock = 0;
    RunPace pace([&clock] { return clock; });
    for (qint64 t : doneAt) {
        clock = t;
        pace.pageDone();
    }
    clock = now;
    pace.setWaiting(waiting, waitingLeftMs);
    QCOMPARE(pace.text(left), text);
}

// Everything a run shows and writes, but for how long it took.
struct RunRecord
{
    QStringList statuses;
    QList<int> processed;
    QList<int> added;
    QStringList percents;
    QByteArray file;
    QStringList report; // the CSV's lines without the milliseconds field
    QStringList outcomes;

    bool operator==(const RunRecord&) const = default;
};

// Pages fetched ahead of the one at work must change nothing but the time a
// run takes: the same list run with one and with eight connections gives the
// same rows, counters, status texts, file and report. The pages answer after
// delays that make them arrive out of order, a host never answers (its third
// page is not even tried), a page is slow, and the list and the settings are
// edited while the run waits between two URLs, after pages further down were
// fetched already.
void TestBatchRun::eightConnectionsGiveWhatOneGives()
{
    TestHttpServer other(QHostAddress(QStringLiteral("127.0.0.2")));
    SilentServer silent(QHostAddress(QStringLiteral("127.0.0.3")));
    TestHttpResponse slow = TestHttpResponse::html(page("Slow", "Slow"));
    slow.headDelayMs = 1500;
    other.route("/slow", slow);
    const char* titles[] = {"Alpha", "Bravo", "Charlie", "Delta", "Echo", "Foxtrot"};
    for (int i = 0; i < 6; ++i) {
        TestHttpResponse r = TestHttpResponse::html(page(titles[i], QByteArray("About ") + titles[i]));
        r.headDelayMs = (6 - i) * 40; // the later the entry, the sooner its answer
        m_server->route(QStringLiteral("/a%1").arg(i), r);
        other.route(QStringLiteral("/b%1").arg(i), r);
    }
    TestHttpResponse gone = TestHttpResponse::html(page("Gone", "Gone"));
    gone.status = 404;
    gone.reason = "Not Found";
    m_server->route("/gone", gone);
    m_server->route("/text", TestHttpResponse::html("plain words", "text/plain"));
    m_server->route("/casino", TestHttpResponse::html(page("Casino night", "Win")));
    m_server->route("/moved", TestHttpResponse::redirect(301, "/a3"));
    // Busy on every other request: the first visit waits a second and asks again.
    QAtomicInt busyCalls = 0;
    m_server->route("/busy", [&busyCalls](const TestHttpRequest&) {
        if (busyCalls.fetchAndAddOrdered(1) % 2 == 0) {
            TestHttpResponse r = TestHttpResponse::html("busy");
            r.status = 429;
            r.reason = "Too Many Requests";
            return r.header("Retry-After", "1");
        }
        return TestHttpResponse::html(page("Busy but kind", "Second try"));
    });
    m_valid->add(QStringLiteral("200 OK"));
    m_badWords->add(QStringLiteral("casino"));
    m_settings->setSelected(Key::TitleBadWords1, true);

    QStringList urls;
    for (const char* path :
         {"/a0", "/a1", "/gone", "/a2", "/text", "/casino", "/moved", "/busy", "/a4", "/a4"})
        urls.append(m_server->url(QString::fromLatin1(path)).toString());
    for (int i = 0; i < 6; ++i)
        urls.append(other.url(QStringLiteral("/b%1").arg(i)).toString());
    urls.append(QStringLiteral("http://127.0.0.1:1/refused"));
    urls.append(other.url(QStringLiteral("/slow")).toString());
    for (int i = 1; i <= 5; ++i)
        urls.append(silent.url(QStringLiteral("/d%1").arg(i)).toString());
    const QString late = other.url(QStringLiteral("/b5")).toString(); // added during the run
    QTemporaryDir dir;

    auto runWith = [&](int connections) {
        RunRecord record;
        m_links->setEntries(urls);
        m_links->removeAt(m_links->count() - 3); // b4 goes now and comes back during the run
        m_feed.reset();
        m_table = std::make_unique<ResultsTable>();
        m_run = std::make_unique<BatchRun>(*m_settings, *m_links, *m_badWords, *m_valid, quickFetchOptions());
        m_feed = std::make_unique<RunTableFeed>(*m_run, *m_table);
        m_run->setFetchLimits({connections, 2});
        m_run->setTimeoutSeconds(2);
        m_settings->setSelected(Key::TitleCaps1, true);
        connect(m_feed.get(), &RunTableFeed::statusTextChanged, this,
                [&](const QString& t) { record.statuses << t; });
        connect(m_feed.get(), &RunTableFeed::processedChanged, this, [&](int n) { record.processed << n; });
        connect(m_feed.get(), &RunTableFeed::addedChanged, this, [&](int n) { record.added << n; });
        connect(m_feed.get(), &RunTableFeed::progressChanged, this, [&](double, const QString& t) {
            record.percents << t;
            // Entries ahead of the run change places: one goes, two come.
            if (m_run->processed() == 2) {
                m_links->removeAt(4);
                m_links->add(late);
                m_links->add(other.url(QStringLiteral("/b4")).toString());
            }
            // The titles of the pages analysed ahead of their turn go upper case.
            if (m_run->processed() == 4)
                m_settings->setSelected(Key::TitleCaps4, true);
        });
        runToEnd(*m_run);
        const QString file = dir.filePath(QStringLiteral("rows%1.txt").arg(connections));
        if (!SaveResults(*m_table, file, QStringLiteral("|")).ok)
            qWarning("the rows could not be saved");
        QFile f(file);
        if (f.open(QIODevice::ReadOnly))
            record.file = f.readAll();
        // Without the milliseconds; the attempts stay. No site is set, so the
        // two link-back fields at the end are empty.
        for (QString line : QString::fromUtf8(m_run->report().toCsv()).split(QStringLiteral("\r\n"))) {
            if (line.endsWith(QStringLiteral(",,")))
                line.chop(2);
            const qsizetype last = line.lastIndexOf(u',');
            const qsizetype before = line.lastIndexOf(u',', last - 1);
            record.report << (last > 0 ? line.remove(before, last - before) : line);
        }
        for (const UrlOutcome& o : m_run->outcomes())
            record.outcomes << o.kindName() + u' ' + o.reason();
        return record;
    };

    const RunRecord one = runWith(1);
    QCOMPARE(m_server->peakConcurrentRequests(), 1);
    const RunRecord eight = runWith(8);
    QCOMPARE(eight.statuses, one.statuses);
    QCOMPARE(eight.processed, one.processed);
    QCOMPARE(eight.added, one.added);
    QCOMPARE(eight.percents, one.percents);
    QCOMPARE(eight.file, one.file);
    QCOMPARE(eight.report, one.report);
    QCOMPARE(eight.outcomes, one.outcomes);
    // Fetched at once, but never more than two at a time from one host.
    QVERIFY(other.peakConcurrentRequests() >= 2);
    QVERIFY(m_server->peakConcurrentRequests() <= 2);
    QVERIFY(other.peakConcurrentRequests() <= 2);

    // What the run saw, spelled out: each kind of refusal, the redirect and
    // the second try of the busy page made rows; the list's edit took effect.
    QCOMPARE(one.outcomes.size(), 22); // N is taken at the start: the last dead page is not reached
    QVERIFY(
        one.outcomes.contains(QStringLiteral("refused status line not accepted: HTTP/1.1 404 Not Found")));
    QVERIFY(one.outcomes.contains(QStringLiteral("refused content type is not HTML: text/plain")));
    QVERIFY(one.outcomes.contains(QStringLiteral("refused bad word in the title: casino")));
    QVERIFY(
        one.file.contains("|DELTA|info@example.org|About Delta|http://127.0.0.1:")); // the redirect's target
    QCOMPARE(one.file.count("|ECHO|"), 3); // the entry listed twice, and the one put back during the run
    // The closed port fails with libcurl's own words, whatever they are this version.
    QCOMPARE(one.outcomes.filter(QRegularExpression(QStringLiteral("^failed fetch failed: .*\\b1\\b"))).size(), 1);
    QVERIFY(one.file.contains("|SLOW|"));
    QVERIFY(one.file.contains("|Alpha|"));         // before the change of case
    QVERIFY(one.file.contains("|BUSY BUT KIND|")); // after it
    // The silent host: two time-outs, then the host is known to be gone.
    QCOMPARE(one.outcomes.count(QStringLiteral("failed fetch failed: no answer within 2 s")), 2);
    QCOMPARE(one.outcomes.constLast(),
             QStringLiteral("failed fetch failed: host did not answer earlier in this run (first failure: no "
                            "answer within 2 s)"));
    // Asked twice; never asked.
    const QString busy = m_server->url(QStringLiteral("/busy")).toString() + QStringLiteral(",accepted,");
    QCOMPARE(one.report.filter(busy).size(), 1);
    QVERIFY(one.report.filter(busy).constFirst().endsWith(QLatin1String(",2")));
    QCOMPARE(one.report.size(), 24); // the header, 22 lines, the empty text after the last line break
    QVERIFY(one.report.at(22).endsWith(QLatin1String(",,,0,0")));
}

QTEST_GUILESS_MAIN(TestBatchRun)
#include "tst_batchrun.moc"
