#include "BenchPages.h"
#include "analysis/PageAnalysis.h"
#include "settings/Settings.h"

#include <QStringList>
#include <benchmark/benchmark.h>

namespace {

void BM_AnalyseAndFillRow(benchmark::State& state)
{
    const QString page = BenchPages::directoryPage(1 << 20);
    const QString header = BenchPages::directoryHeader();
    Settings settings;
    const QStringList badWords{QStringLiteral("casino"), QStringLiteral("viagra"), QStringLiteral("poker")};
    const QStringList validStatus{QStringLiteral("200 OK"), QStringLiteral("301 Moved Permanently")};
    const QString url = QStringLiteral("http://www.garden.example.com/");
    for (auto _ : state) {
        const PageVerdict verdict = AnalysePage(settings, page, header, badWords, validStatus);
        RowCells cells = FillRowCells(settings, verdict, url, page);
        benchmark::DoNotOptimize(cells);
    }
    state.SetBytesProcessed(state.iterations() * page.size() * qsizetype(sizeof(QChar)));
    state.counters["page_chars"] = double(page.size());
}
BENCHMARK(BM_AnalyseAndFillRow)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
