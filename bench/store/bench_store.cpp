// The run journal: 100,000 outcomes with the cells of real directory pages,
// recorded as a run records them. Reports what record() costs the run's
// thread, how fast the writer commits them, and how large the store grows;
// then what the journal costs a run that does about 200 µs of work per URL on
// its own thread (the pace of a batch run over pages on 127.0.0.1).

#include "BenchMain.h"
#include "store/RunStore.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <chrono>
#include <sys/resource.h>

namespace {

const QStringList kWords = {
    QStringLiteral("garden"),     QStringLiteral("tools"),   QStringLiteral("directory"),
    QStringLiteral("reviews"),    QStringLiteral("spades"),  QStringLiteral("watering"),
    QStringLiteral("seeds"),      QStringLiteral("organic"), QStringLiteral("compost"),
    QStringLiteral("greenhouse"), QStringLiteral("hedges"),  QStringLiteral("roses"),
    QStringLiteral("vegetable"),  QStringLiteral("pruning"), QStringLiteral("lawn"),
    QStringLiteral("mowers")};

QString words(quint32 seed, int count)
{
    QStringList out;
    for (int i = 0; i < count; ++i) {
        seed = seed * 1664525u + 1013904223u;
        out.append(kWords[int(seed >> 28)]);
    }
    return out.join(QLatin1Char(' '));
}

QString urlOf(int i)
{
    return QStringLiteral("https://www.%1-%2.example.com/links/resources.html")
        .arg(words(quint32(i), 1))
        .arg(i);
}

// About what a directory page gives: 40 % rows, 45 % refused, 15 % failed.
UrlRecord outcome(int i, int& rows)
{
    UrlRecord r;
    r.position = i;
    r.url = urlOf(i);
    r.bytes = 20000 + i % 50000;
    r.milliseconds = 80 + i % 900;
    const int pick = i % 20;
    if (pick < 8) {
        r.kind = UrlRecord::Kind::Accepted;
        r.statusLine = QStringLiteral("HTTP/1.1 200 OK");
        r.contentType = QStringLiteral("text/html; charset=UTF-8");
        r.row.number = ++rows;
        r.reason = QStringLiteral("row %1").arg(r.row.number);
        r.row.title = words(quint32(i) * 7u, 6) + QStringLiteral(" | Home");
        r.row.email = QStringLiteral("info@%1-%2.example.com").arg(words(quint32(i), 1)).arg(i);
        r.row.description = words(quint32(i) * 13u, 22) + QLatin1Char('.');
    } else if (pick < 17) {
        r.kind = UrlRecord::Kind::Refused;
        r.statusLine =
            pick < 15 ? QStringLiteral("HTTP/1.1 200 OK") : QStringLiteral("HTTP/1.1 404 Not Found");
        r.contentType = QStringLiteral("text/html; charset=UTF-8");
        r.reason = pick < 15 ? QStringLiteral("reciprocal link not found")
                             : QStringLiteral("status not accepted: HTTP/1.1 404 Not Found");
    } else {
        r.kind = UrlRecord::Kind::Failed;
        r.reason = QStringLiteral("fetch failed: Connection timed out");
    }
    return r;
}

// The outcomes of a run over count URLs, and its list.
QVector<UrlRecord> outcomes(int count, QStringList& urls)
{
    QVector<UrlRecord> records;
    int rows = 0;
    for (int i = 1; i <= count; ++i) {
        records.append(outcome(i, rows));
        urls.append(records.constLast().url);
    }
    return records;
}

qint64 storeBytes(const QString& path)
{
    return QFileInfo(path).size() + QFileInfo(path + QLatin1String("-wal")).size();
}

void BM_Record100000(benchmark::State& state)
{
    constexpr int Count = 100000;
    QStringList urls;
    const QVector<UrlRecord> records = outcomes(Count, urls);
    double callerNs = 0, totalMs = 0, megabytes = 0;
    for (auto _ : state) {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("runs.sqlite"));
        {
            RunStore store(path);
            QElapsedTimer total;
            total.start();
            auto journal = store.beginRun(RunRecord(), urls);
            QElapsedTimer caller;
            caller.start();
            for (const UrlRecord& r : records)
                journal->record(r);
            callerNs = double(caller.nsecsElapsed()) / Count;
            journal->finish(RunRecord::Ending::Done);
            journal.reset();
            totalMs = double(total.nsecsElapsed()) / 1e6;
            if (store.queries().run(1)->processed != Count)
                state.SkipWithError("not every outcome was stored");
        }
        // The last connection has folded the log into the file.
        megabytes = double(storeBytes(path)) / 1e6;
    }
    state.counters["record() ns"] = callerNs;
    state.counters["commit ms"] = totalMs;
    state.counters["outcomes/s"] = Count / (totalMs / 1000.0);
    state.counters["store MB"] = megabytes;
    state.counters["bytes/outcome"] = megabytes * 1e6 / Count;
}
BENCHMARK(BM_Record100000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// CPU time of the whole process, every thread, in ms.
double processCpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

// Spins for the given time, as the run's own work on a URL would.
void work(std::chrono::microseconds span)
{
    const auto end = std::chrono::steady_clock::now() + span;
    while (std::chrono::steady_clock::now() < end)
        benchmark::DoNotOptimize(end);
}

// Arg 0: no journal; 1: every outcome recorded. Compare the two times.
void BM_PacedRun(benchmark::State& state)
{
    constexpr int Count = 20000;
    QStringList urls;
    const QVector<UrlRecord> records = outcomes(Count, urls);
    const double cpuBefore = processCpuMs();
    for (auto _ : state) {
        QTemporaryDir dir;
        RunStore store(dir.filePath(QStringLiteral("runs.sqlite")));
        std::unique_ptr<RunJournal> journal = state.range(0) ? store.beginRun(RunRecord(), urls) : nullptr;
        for (const UrlRecord& r : records) {
            work(std::chrono::microseconds(200));
            if (journal)
                journal->record(r);
        }
        if (journal)
            journal->finish(RunRecord::Ending::Done);
    }
    // Run and journal together, per URL: the journal's share on a machine
    // whose other core is busy too.
    state.counters["process CPU us/URL"] = (processCpuMs() - cpuBefore) * 1e3 / (state.iterations() * Count);
    state.counters["URLs/s"] =
        benchmark::Counter(double(state.iterations() * Count), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_PacedRun)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

} // namespace

QM_BENCHMARK_QT_MAIN(QCoreApplication)
