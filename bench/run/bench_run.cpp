// Throughput of the batch run over 1,000 pages of a server on 127.0.0.1: the
// run object in process, and the quillmark-batch command end to end. Both
// report URLs per second.

#include "BenchMain.h"
#include "BenchSite.h"
#include "TestHttpServer.h"
#include "filters/ListFile.h"
#include "filters/SortedListModel.h"
#include "results/ResultsTable.h"
#include "run/BatchRun.h"
#include "run/RunTableFeed.h"
#include "settings/Settings.h"
#include "settings/SettingsFile.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

constexpr int kUrls = 1000;

QStringList urls()
{
    QStringList list;
    for (int i = 0; i < kUrls; ++i)
        list.append(
            benchSiteServer().url(QStringLiteral("/page/%1").arg(i, 4, 10, QLatin1Char('0'))).toString());
    return list;
}

void BM_BatchRunInProcess(benchmark::State& state)
{
    Settings settings;
    SortedListModel links;
    SortedListModel badWords;
    SortedListModel valid;
    ResultsTable table;
    links.setEntries(urls());
    badWords.setEntries({QStringLiteral("casino"), QStringLiteral("pills")});
    valid.setEntries({QStringLiteral("200 OK")});
    BatchRun run(settings, links, badWords, valid);
    RunTableFeed feed(run, table); // the rows and texts, as the window has them
    for (auto _ : state) {
        QEventLoop loop;
        QObject::connect(&run, &BatchRun::finished, &loop, &QEventLoop::quit);
        run.start();
        loop.exec();
        if (run.added() != kUrls)
            state.SkipWithError("not every page became a row");
    }
    state.SetItemsProcessed(state.iterations() * kUrls);
    state.counters["URLs/s"] =
        benchmark::Counter(double(state.iterations() * kUrls), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_BatchRunInProcess)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

void BM_QuillmarkBatchCommand(benchmark::State& state)
{
    QTemporaryDir dir;
    Settings settings;
    settings.setText(Key::BadWordsFile, QStringLiteral("badwords.txt"));
    SaveSettings(settings, dir.filePath(QStringLiteral("links.ini")));
    SaveListToFile(dir.filePath(QStringLiteral("headers.txt")), {QStringLiteral("200 OK")});
    SaveListToFile(dir.filePath(QStringLiteral("badwords.txt")), {QStringLiteral("casino")});
    const QString links = dir.filePath(QStringLiteral("links.txt"));
    SaveListToFile(links, urls());
    const QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/quillmark-batch");
    for (auto _ : state) {
        QProcess process;
        process.setStandardErrorFile(QProcess::nullDevice());
        process.start(program, {QStringLiteral("--folder"), dir.path(), links});
        if (!process.waitForFinished(600000) || process.exitCode() != 0) {
            state.SkipWithError("quillmark-batch failed");
            break;
        }
    }
    QFile output(dir.filePath(QStringLiteral("database.txt")));
    if (!output.open(QIODevice::ReadOnly) || output.readAll().count('\n') != kUrls + 1)
        state.SkipWithError("the output does not hold one row per page");
    state.SetItemsProcessed(state.iterations() * kUrls);
    state.counters["URLs/s"] =
        benchmark::Counter(double(state.iterations() * kUrls), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_QuillmarkBatchCommand)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

} // namespace

QM_BENCHMARK_QT_MAIN(QCoreApplication)
