// Records outcomes into a run journal, one every interval, and says on stdout
// what it handed over and what the journal has committed, so that a test can
// kill it at any moment and then check the store against what it said.
//
//   store_crash_helper STORE COUNT INTERVAL_US
//
// Lines: "run ID", "handed POSITION STEADY_MS", "committed COUNT", "ended".
// STEADY_MS is the system's monotonic clock, the same in every process.

#include "StoreTestRecords.h"
#include "store/RunStore.h"

#include <QCoreApplication>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

static long long steadyMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 4)
        return 2;
    const int count = args[2].toInt();
    const auto interval = std::chrono::microseconds(args[3].toInt());

    RunStore store(args[1]);
    if (!store.isAvailable()) {
        std::printf("unavailable %s\n", qPrintable(store.message()));
        return 1;
    }
    QStringList urls;
    for (int i = 1; i <= count; ++i)
        urls.append(sampleRecord(i).url);
    auto journal = store.beginRun(RunRecord(), urls);

    qint64 runId = 0;
    qint64 committed = 0;
    auto report = [&] {
        if (runId == 0 && journal->runId() != 0) {
            runId = journal->runId();
            std::printf("run %lld\n", runId);
        }
        if (journal->committed() != committed) {
            committed = journal->committed();
            std::printf("committed %lld\n", committed);
        }
        std::fflush(stdout);
    };
    for (int i = 1; i <= count; ++i) {
        journal->record(sampleRecord(i));
        std::printf("handed %d %lld\n", i, steadyMs());
        report();
        std::this_thread::sleep_for(interval);
    }
    // The last count comes from the writer thread, just before it ends.
    std::atomic<qint64> last{0};
    QObject::connect(
        journal.get(), &RunJournal::committedChanged, journal.get(), [&](qint64 count) { last = count; },
        Qt::DirectConnection);
    journal->finish(RunRecord::Ending::Done);
    journal.reset(); // waits for the writer
    if (last > committed)
        std::printf("committed %lld\n", qint64(last));
    std::printf("ended\n");
    return 0;
}
