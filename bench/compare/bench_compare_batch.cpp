// The batch run over 2,000 pages of a server on 127.0.0.1, end to end: the
// quillmark-batch command (fetch, check, extract, write the rows) against a
// plain shell loop that runs curl once per URL and only saves each page and
// its header block. Both report URLs per second.
#include "BenchMain.h"
#include "BenchSite.h"
#include "TestHttpServer.h"
#include "filters/ListFile.h"
#include "settings/Settings.h"
#include "settings/SettingsFile.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

constexpr int kUrls = 2000;

// A program folder with the shipped configuration and the list of URLs.
struct Folder
{
    QTemporaryDir dir;
    QString links;   // the program's list file, CR LF line ends
    QString lfLinks; // the same for the shell, whose read keeps a CR

    Folder()
    {
        const QString data = QStringLiteral(QM_SOURCE_DIR "/data/");
        for (const char* name : {"links.ini", "headers.txt", "badwords.txt", "baddomains.txt"})
            QFile::copy(data + QString::fromLatin1(name), dir.filePath(QString::fromLatin1(name)));
        QStringList urls;
        for (int i = 0; i < kUrls; ++i)
            urls.append(benchSiteServer().url(QStringLiteral("/page/%1").arg(i)).toString());
        links = dir.filePath(QStringLiteral("links.txt"));
        SaveListToFile(links, urls);
        lfLinks = dir.filePath(QStringLiteral("links-lf.txt"));
        QFile lf(lfLinks);
        if (lf.open(QIODevice::WriteOnly))
            lf.write(urls.join(u'\n').toUtf8() + '\n');
    }
};

void finish(benchmark::State& state)
{
    state.SetItemsProcessed(state.iterations() * kUrls);
    state.counters["URLs/s"] =
        benchmark::Counter(double(state.iterations() * kUrls), benchmark::Counter::kIsRate);
}

void BM_QuillmarkBatch(benchmark::State& state)
{
    Folder folder;
    const QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/quillmark-batch");
    const QString output = folder.dir.filePath(QStringLiteral("rows.txt"));
    for (auto _ : state) {
        QProcess process;
        process.setStandardErrorFile(QProcess::nullDevice());
        process.start(program, {QStringLiteral("--folder"), folder.dir.path(), QStringLiteral("--output"),
                                output, folder.links});
        if (!process.waitForFinished(600000) || process.exitCode() != 0) {
            state.SkipWithError("quillmark-batch failed");
            return;
        }
    }
    QFile rows(output);
    if (!rows.open(QIODevice::ReadOnly) || rows.readAll().count('\n') != kUrls + 1)
        state.SkipWithError("not one row per page");
    finish(state);
}
BENCHMARK(BM_QuillmarkBatch)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_CurlLoop(benchmark::State& state)
{
    Folder folder;
    const QString script = QStringLiteral("while IFS= read -r u; do curl -s -o \"$1/page.html\" -D "
                                          "\"$1/header.txt\" \"$u\" || exit 1; done < \"$2\"");
    for (auto _ : state) {
        QProcess process;
        process.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), script, QStringLiteral("sh"),
                                                  folder.dir.path(), folder.lfLinks});
        if (!process.waitForFinished(600000) || process.exitCode() != 0) {
            state.SkipWithError("the curl loop failed");
            return;
        }
    }
    finish(state);
}
BENCHMARK(BM_CurlLoop)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

} // namespace

QM_BENCHMARK_QT_MAIN(QCoreApplication)
