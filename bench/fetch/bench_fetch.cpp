// Fetching in parallel over 300 pages on 50 loopback hosts (127.0.0.2 to
// 127.0.0.51) that each answer after 100 ms, as slow sites do: one connection
// against several. First the fetch pool alone, then the whole batch run (fetch,
// checks, extraction, rows) over the same kind of list. Each run also reports
// the most requests one host and all hosts were answering at once, as the
// servers counted them.
//
// The batch run's result must not depend on the number of connections: after
// the benchmarks, the rows saved by the run with 1 connection and by the run
// with 8 are compared byte for byte, and so are the report lines (but for the
// time each page took). The program prints an error and exits non-zero when
// they differ, or when a run broke a connection limit or missed a row.

#include "BenchPages.h"
#include "TestHttpServer.h"
#include "filters/SortedListModel.h"
#include "platform/FetchPool.h"
#include "results/AsciiDatabase.h"
#include "results/ResultsTable.h"
#include "run/BatchRun.h"
#include "run/RecheckRun.h"
#include "run/RunJournalFeed.h"
#include "run/RunTableFeed.h"
#include "settings/Settings.h"
#include "store/RunStore.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <ctime>
#include <map>
#include <memory>
#include <utility>
#include <vector>

namespace {

constexpr int kHosts = 50;
constexpr int kPages = 300;
constexpr int kAnswerDelayMs = 100;
constexpr int kPerHost = 2;

struct Hosts
{
    std::vector<std::unique_ptr<TestHttpServer>> servers;
    std::shared_ptr<TestLoadGauge> all = std::make_shared<TestLoadGauge>();

    Hosts()
    {
        for (int h = 0; h < kHosts; ++h) {
            auto server =
                std::make_unique<TestHttpServer>(QHostAddress(QStringLiteral("127.0.0.%1").arg(h + 2)));
            server->shareGauge(all);
            // A small directory page with a title, a description and an
            // e-mail address, so that every page passes and becomes a row.
            server->route("/page/*", [](const TestHttpRequest& request) {
                TestHttpResponse r =
                    TestHttpResponse::html(BenchPages::smallPage(request.path.section(u'/', 2).toInt()));
                r.headDelayMs = kAnswerDelayMs;
                return r;
            });
            servers.push_back(std::move(server));
        }
    }

    // Round robin: page i on host i mod 50. Grouped: the six pages of a host
    // one after the other, which leans on the per-host limit (and is what a
    // link list sorted by address looks like).
    QStringList urls(bool grouped) const
    {
        QStringList list;
        for (int i = 0; i < kPages; ++i) {
            const int host = grouped ? i / (kPages / kHosts) : i % kHosts;
            list.append(servers[host]->url(QStringLiteral("/page/%1").arg(i)).toString());
        }
        return list;
    }

    int peakPerHost() const
    {
        int peak = 0;
        for (const auto& s : servers)
            peak = qMax(peak, s->peakConcurrentRequests());
        return peak;
    }
};

// Set when any run broke a rule; main() then exits non-zero.
bool g_failed = false;

// A run that broke a rule: said on the error output, marked in the table.
void fail(benchmark::State& state, const QString& what, const char* why)
{
    std::fprintf(stderr, "error: %s: %s\n", qPrintable(what), why);
    g_failed = true;
    state.SkipWithError(why);
}

void BM_FetchPool(benchmark::State& state)
{
    const int connections = int(state.range(0));
    const bool grouped = state.range(1) != 0;
    const QString what =
        QStringLiteral("fetch pool, %1 connections, %2")
            .arg(connections)
            .arg(grouped ? QStringLiteral("grouped by host") : QStringLiteral("round robin"));
    Hosts hosts; // fresh servers: the peaks count this run only
    const QStringList urls = hosts.urls(grouped);
    int failures = 0;
    for (auto _ : state) {
        FetchPool pool(nullptr, {}, {connections, kPerHost});
        int done = 0;
        QObject::connect(&pool, &FetchPool::finished, [&](quint64, const FetchResult& r) {
            ++done;
            if (!r.ok() || !r.header.startsWith(QLatin1String("HTTP/1.1 200 OK")))
                ++failures;
        });
        for (int i = 0; i < urls.size(); ++i)
            pool.enqueue(quint64(i), urls[i]);
        while (done < urls.size())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    if (failures)
        fail(state, what, "not every page came back 200 OK");
    if (hosts.peakPerHost() > kPerHost || hosts.all->peak() > connections)
        fail(state, what, "more requests at once than the connection limits allow");
    state.counters["pages/s"] =
        benchmark::Counter(double(state.iterations() * kPages), benchmark::Counter::kIsRate);
    state.counters["peak_per_host"] = hosts.peakPerHost();
    state.counters["peak_total"] = hosts.all->peak();
}
BENCHMARK(BM_FetchPool)
    ->ArgNames({"connections", "grouped"})
    ->Args({1, 0})
    ->Args({8, 0})
    ->Args({8, 1})
    ->Args({32, 0})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

// The batch runs of one list order share one set of servers, since the rows
// hold the URLs and the URLs hold the servers' ports: only runs over the very
// same URLs can give the same file. A server's counts only grow, so each set
// sees its 1-connection run first; the later run's peaks, being at least 1,
// are then its own. Kept here, not in statics, so main() ends them while the
// application object still exists.
std::map<bool, std::unique_ptr<Hosts>> g_batchHosts;

Hosts& batchHosts(bool grouped)
{
    auto& hosts = g_batchHosts[grouped];
    if (!hosts)
        hosts = std::make_unique<Hosts>();
    return *hosts;
}

// What a batch run left, for the comparison at the end.
struct RunResult
{
    QByteArray rows;           // the saved results file
    QStringList reportLines;   // the report, without each page's milliseconds
    QString summary;           // counters and the status line at the end
    double milliseconds = 0.0; // start() to finished()
};

QTemporaryDir* g_folder = nullptr;
std::map<std::pair<bool, int>, RunResult> g_runs; // by (grouped, connections)

QStringList reportLinesWithoutTime(const RunReport& report)
{
    QStringList lines;
    for (const RunReport::Line& l : report.lines()) {
        lines.append(QStringList{QString::number(l.index), l.url, l.outcome, l.reason, l.statusLine,
                                 l.contentType, l.bytes ? QString::number(*l.bytes) : QString()}
                         .join(u'\t'));
    }
    return lines;
}

void BM_BatchRun(benchmark::State& state)
{
    const int connections = int(state.range(0));
    const bool grouped = state.range(1) != 0;
    // With the run journal (a store in the benchmark's folder) or without it:
    // what journaling every URL costs the run.
    const bool journaled = state.range(2) != 0;
    const QString what =
        QStringLiteral("batch run, %1 connections, %2%3")
            .arg(connections)
            .arg(grouped ? QStringLiteral("grouped by host") : QStringLiteral("round robin"))
            .arg(journaled ? QStringLiteral(", journaled") : QString());
    Hosts& hosts = batchHosts(grouped);
    const QStringList urls = hosts.urls(grouped);
    Settings settings;
    SortedListModel badWords;
    SortedListModel validStatus;
    ResultsTable table;
    BatchRun run(settings, urls, badWords, validStatus);
    RunTableFeed tableFeed(run, table);
    run.setFetchLimits({connections, kPerHost});
    std::unique_ptr<RunStore> store;
    std::unique_ptr<RunJournalFeed> feed;
    if (journaled) {
        store = std::make_unique<RunStore>(g_folder->filePath(QString::fromLatin1(RunStore::FileName)));
        feed = std::make_unique<RunJournalFeed>(store.get(), run, [urls] { return urls; });
    }
    RunResult result;
    const std::clock_t cpuStart = std::clock();
    int iterations = 0;
    for (auto _ : state) {
        ++iterations;
        QEventLoop loop;
        QObject::connect(&run, &BatchRun::finished, &loop, &QEventLoop::quit);
        QElapsedTimer clock;
        clock.start();
        run.start();
        loop.exec();
        result.milliseconds = double(clock.nsecsElapsed()) / 1e6;
        state.SetIterationTime(result.milliseconds / 1000.0);
    }
    if (run.added() != kPages)
        fail(state, what, "not every page became a row");
    if (hosts.peakPerHost() > kPerHost || hosts.all->peak() > connections)
        fail(state, what, "more requests at once than the connection limits allow");

    const QString path =
        g_folder->filePath(QStringLiteral("rows-%1-%2.txt")
                               .arg(grouped ? QStringLiteral("grouped") : QStringLiteral("rr"))
                               .arg(connections));
    if (!SaveResults(table, path, QStringLiteral("|")).ok)
        fail(state, what, "the rows could not be saved");
    QFile saved(path);
    if (saved.open(QIODevice::ReadOnly))
        result.rows = saved.readAll();
    result.reportLines = reportLinesWithoutTime(run.report());
    result.summary = QStringLiteral("processed %1, added %2, status \"%3\"")
                         .arg(run.processed())
                         .arg(run.added())
                         .arg(tableFeed.statusText());
    g_runs[{grouped, connections}] = result;

    // The whole process's processor time, every thread (the journal's writer too).
    state.counters["cpu_ms"] = 1000.0 * double(std::clock() - cpuStart) / CLOCKS_PER_SEC / qMax(1, iterations);
    state.counters["pages/s"] = double(kPages) / (result.milliseconds / 1000.0);
    state.counters["peak_per_host"] = hosts.peakPerHost();
    state.counters["peak_total"] = hosts.all->peak();
    state.counters["rows"] = run.added();
}
BENCHMARK(BM_BatchRun)
    ->ArgNames({"connections", "grouped", "journal"})
    ->Args({1, 0, 0})
    ->Args({1, 0, 1})
    ->Args({8, 0, 0})
    ->Args({8, 0, 1})
    ->Args({1, 1, 0})
    ->Args({8, 1, 0})
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1);

// What the window's thread goes through while a run fetches 32 pages at once:
// a 2 ms timer stands for the window's painting and input, and the longest
// gap between two of its ticks is the longest the window could have been
// frozen. Halfway through, the run is asked to stop; the time until it ends
// is what the user waits after "Stop".
void BM_OwnerThreadDuringRun(benchmark::State& state)
{
    const int connections = int(state.range(0));
    const bool grouped = state.range(1) != 0;
    Hosts hosts;
    const QStringList urls = hosts.urls(grouped);
    Settings settings;
    SortedListModel badWords;
    SortedListModel validStatus;
    ResultsTable table;
    BatchRun run(settings, urls, badWords, validStatus);
    RunTableFeed feed(run, table);
    run.setFetchLimits({connections, kPerHost});
    qint64 longestGapNs = 0;
    double stopMs = 0.0;
    for (auto _ : state) {
        QEventLoop loop;
        QElapsedTimer clock;
        QElapsedTimer sinceTick;
        QElapsedTimer sinceStop;
        QTimer ticks;
        ticks.setInterval(2);
        QObject::connect(&ticks, &QTimer::timeout, [&] {
            longestGapNs = qMax(longestGapNs, sinceTick.nsecsElapsed());
            sinceTick.restart();
        });
        QObject::connect(&feed, &RunTableFeed::progressChanged, &loop, [&] {
            if (run.processed() == kPages / 2) {
                sinceStop.start();
                run.requestStop();
            }
        });
        QObject::connect(&run, &BatchRun::finished, &loop, [&] {
            stopMs = double(sinceStop.nsecsElapsed()) / 1e6;
            loop.quit();
        });
        clock.start();
        sinceTick.start();
        ticks.start();
        run.start();
        loop.exec();
        state.SetIterationTime(double(clock.nsecsElapsed()) / 1e9);
    }
    if (run.processed() != kPages / 2)
        fail(state, QStringLiteral("window's thread during a run"), "the run did not stop where asked");
    state.counters["longest_gap_ms"] = double(longestGapNs) / 1e6;
    state.counters["stop_ms"] = stopMs;
    state.counters["processed"] = run.processed();
}
BENCHMARK(BM_OwnerThreadDuringRun)
    ->ArgNames({"connections", "grouped"})
    ->Args({32, 0})
    ->Args({32, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1);

// "Recheck links back" over the same 300 pages with 8 connections: every page
// fetched, proved for a link to one of the sites its links name, each host's
// robots.txt fetched once. Its time is set beside the batch run's with 8
// connections over the same list (round robin), which it should stay within
// 1.2 times of.
double g_recheckMs = 0.0;

void BM_Recheck(benchmark::State& state)
{
    const int connections = int(state.range(0));
    Hosts& hosts = batchHosts(false);
    const QStringList urls = hosts.urls(false);
    LinkBackSetup setup;
    setup.sites = MySites::parse({QStringLiteral("site3.example.org")});
    int changes = 0;
    for (auto _ : state) {
        RecheckRun run(urls, setup, nullptr);
        run.setFetchLimits({connections, kPerHost});
        QEventLoop loop;
        QObject::connect(&run, &RecheckRun::finished, &loop, &QEventLoop::quit);
        QElapsedTimer clock;
        clock.start();
        run.start();
        loop.exec();
        g_recheckMs = double(clock.nsecsElapsed()) / 1e6;
        state.SetIterationTime(g_recheckMs / 1000.0);
        for (const RecheckLine& line : run.lines())
            changes += line.change == LinkBackChange::New ? 0 : 1;
    }
    // Every page links to the site and no store remembers it: all are new.
    if (changes != 0)
        fail(state, QStringLiteral("recheck"), "not every page gave a new followed link");
    state.counters["pages/s"] = double(kPages) / (g_recheckMs / 1000.0);
}
BENCHMARK(BM_Recheck)
    ->ArgNames({"connections"})
    ->Args({8})
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1);

// Sets the runs with 1 and 8 connections of one list order side by side.
// Returns false when their results differ.
bool compareRuns(bool grouped)
{
    const char* order = grouped ? "grouped by host" : "round robin";
    const auto one = g_runs.find({grouped, 1});
    const auto eight = g_runs.find({grouped, 8});
    if (one == g_runs.end() || eight == g_runs.end())
        return true; // not both run (a filter): nothing to compare
    bool same = true;
    if (one->second.rows.isEmpty() || one->second.rows != eight->second.rows) {
        std::fprintf(stderr, "error: batch run, %s: the result files of 1 and 8 connections differ\n", order);
        same = false;
    }
    if (one->second.reportLines != eight->second.reportLines) {
        std::fprintf(stderr, "error: batch run, %s: the reports of 1 and 8 connections differ\n", order);
        same = false;
    }
    if (one->second.summary != eight->second.summary) {
        std::fprintf(stderr, "error: batch run, %s: 1 connection ended with %s, 8 with %s\n", order,
                     qPrintable(one->second.summary), qPrintable(eight->second.summary));
        same = false;
    }
    std::printf("batch run, %s: 8 connections took %.1f %% of the time of 1 (%.1f times as fast); "
                "result files %s (%lld bytes), reports %s (%lld lines)\n",
                order, 100.0 * eight->second.milliseconds / one->second.milliseconds,
                one->second.milliseconds / eight->second.milliseconds,
                one->second.rows == eight->second.rows ? "identical" : "DIFFERENT",
                static_cast<long long>(one->second.rows.size()),
                one->second.reportLines == eight->second.reportLines ? "identical" : "DIFFERENT",
                static_cast<long long>(one->second.reportLines.size()));
    return same;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir folder;
    if (!folder.isValid()) {
        std::fprintf(stderr, "error: no temporary folder for the result files\n");
        return 1;
    }
    g_folder = &folder;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::fflush(stdout);
    bool same = compareRuns(false);
    const auto normal = g_runs.find({false, 8});
    if (g_recheckMs > 0.0 && normal != g_runs.end())
        std::printf(
            "recheck, 8 connections: %.1f ms, %.2f times the batch run over the same list (%.1f ms)\n",
            g_recheckMs, g_recheckMs / normal->second.milliseconds, normal->second.milliseconds);
    same = compareRuns(true) && same;
    g_batchHosts.clear();
    return same && !g_failed ? 0 : 1;
}
