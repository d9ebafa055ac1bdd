// How long "Export to Excel" takes on large results tables: the copy of the
// cells, which runs on the UI thread, and the workbook write on the worker.

#include "BenchMain.h"
#include "results/ResultsTable.h"
#include "results/SpreadsheetExporter.h"
#include "results/WorkbookContent.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

// A table as a long batch run leaves it: every row different, texts of the
// lengths real pages give.
void fill(ResultsTable& table, int dataRows)
{
    table.resetForRun();
    for (int i = 1; i <= dataRows; ++i) {
        table.insertTableRow(i);
        table.setCell(i, 0, QString::number(i));
        table.setCell(i, 1, QStringLiteral("Directory of useful links, page %1 - Example Site").arg(i));
        table.setCell(i, 2, QStringLiteral("webmaster%1@site%1.example").arg(i));
        table.setCell(
            i, 3,
            QStringLiteral("A page with resources about topic %1: tutorials, articles and a list of "
                           "partner sites that trade links with related web sites. Updated weekly.")
                .arg(i));
        table.setCell(i, 4, QStringLiteral("http://www.site%1.example/links/resources.html").arg(i));
    }
}

void BM_CopyCells(benchmark::State& state)
{
    ResultsTable table;
    fill(table, int(state.range(0)));
    for (auto _ : state) {
        WorkbookContent content = WorkbookContent::fromTable(table, table.tableRowCount(), 5, 1, QString());
        benchmark::DoNotOptimize(content.cells.data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_CopyCells)->Arg(50000)->Unit(benchmark::kMillisecond);

void BM_WriteWorkbook(benchmark::State& state)
{
    ResultsTable table;
    fill(table, int(state.range(0)));
    QTemporaryDir dir;
    qint64 bytes = 0;
    for (auto _ : state) {
        const WorkbookResult result =
            SpreadsheetExporter::writeWorkbook(table, table.tableRowCount(), 5, 1, QString(), dir.path());
        if (!result.saved.ok) {
            state.SkipWithError(qPrintable(result.saved.message()));
            break;
        }
        state.PauseTiming();
        bytes = QFile(result.saved.path).size();
        QFile::remove(result.saved.path);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.counters["file_bytes"] = double(bytes);
}
BENCHMARK(BM_WriteWorkbook)->Arg(1000)->Arg(10000)->Arg(50000)->Unit(benchmark::kMillisecond);

} // namespace

QM_BENCHMARK_QT_MAIN(QCoreApplication)
