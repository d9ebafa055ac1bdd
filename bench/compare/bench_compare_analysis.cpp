// The one-page analysis of the batch run (checks, title, description, e-mail,
// row cells) with the shipped configuration on a 1 MB directory page. The
// same page and rules in JavaScript are analysis.js; compare.sh runs both.
//
//   bench_compare_analysis --write-page=FILE    writes the page and stops
//   bench_compare_analysis --fields             prints what the analysis finds
//   bench_compare_analysis [benchmark flags]    times it
//
// The configuration is read from the source tree's data folder (links.ini,
// badwords.txt, headers.txt), as a first start would read it.
#include "BenchPages.h"
#include "analysis/PageAnalysis.h"
#include "filters/ListFile.h"
#include "filters/SortedListModel.h"
#include "settings/Settings.h"
#include "settings/SettingsFile.h"

#include <QFile>
#include <QStringList>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstring>

namespace {

const QString kHeader = BenchPages::directoryHeader();
const QString kUrl = QStringLiteral("http://www.garden.example.com/");

struct Configuration
{
    Settings settings;
    SortedListModel badWords;
    SortedListModel validStatus;

    Configuration()
    {
        const QString data = QStringLiteral(QM_SOURCE_DIR "/data/");
        LoadSettings(settings, data + QStringLiteral("links.ini"));
        LoadListFromFile(badWords, data + settings.text(Key::BadWordsFile), MissingListFile::KeepList);
        LoadListFromFile(validStatus, data + QStringLiteral("headers.txt"), MissingListFile::EmptyList);
    }
};

QString readPage(const char* path)
{
    QFile f(QString::fromLocal8Bit(path));
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

const char* g_pageFile = nullptr;

QString benchPage()
{
    return g_pageFile ? readPage(g_pageFile) : BenchPages::directoryPage(1 << 20);
}

void BM_AnalysePage(benchmark::State& state)
{
    const QString page = benchPage();
    Configuration config;
    for (auto _ : state) {
        // Each page reads its lists afresh, as the run does.
        const PageVerdict verdict = AnalysePage(config.settings.snapshot(), page, kHeader,
                                                config.badWords.entries(), config.validStatus.entries());
        RowCells cells = FillRowCells(config.settings.snapshot(), verdict, kUrl, page);
        benchmark::DoNotOptimize(cells);
    }
    state.SetBytesProcessed(state.iterations() * page.size() * qsizetype(sizeof(QChar)));
    state.counters["page_chars"] = double(page.size());
}
BENCHMARK(BM_AnalysePage)->Unit(benchmark::kMillisecond)->MinTime(3.0);

} // namespace

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--write-page=", 13) == 0) {
            QFile f(QString::fromLocal8Bit(argv[i] + 13));
            return f.open(QIODevice::WriteOnly) && f.write(BenchPages::directoryPage(1 << 20).toUtf8()) > 0
                       ? 0
                       : 1;
        }
        if (std::strncmp(argv[i], "--page=", 7) == 0) {
            g_pageFile = argv[i] + 7;
            std::memmove(argv + i, argv + i + 1, sizeof(char*) * size_t(argc - i));
            --argc;
            --i;
        } else if (std::strcmp(argv[i], "--fields") == 0) {
            const QString page = benchPage();
            Configuration config;
            const PageVerdict v = AnalysePage(config.settings.snapshot(), page, kHeader,
                                              config.badWords.entries(), config.validStatus.entries());
            const RowCells cells = FillRowCells(config.settings.snapshot(), v, kUrl, page);
            std::printf("accepted=%d\ntitle=%s\nemail=%s\ndescription=%s\ndomain=%s\n", int(v.accepted()),
                        qPrintable(cells.title), qPrintable(cells.email), qPrintable(cells.description),
                        qPrintable(cells.urlDomain));
            return 0;
        }
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
