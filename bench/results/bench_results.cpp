#include "filters/SortedListModel.h"
#include "results/AsciiDatabase.h"
#include "results/ResultsTable.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

constexpr int kRows = 100000;
const QString kDelimiter = QStringLiteral("|[@]|");

// Cells of the size a real run produces: a short title, an address, a
// description of a sentence or two, the URL.
void fillTable(ResultsTable& t, int rows)
{
    QVector<ResultsTable::Row> data;
    data.reserve(rows);
    for (int i = 1; i <= rows; ++i) {
        const QString site = QStringLiteral("site%1.example").arg(i);
        data.append({QString::number(i), QStringLiteral("Welcome to Site %1 - Home Page").arg(i),
                     QStringLiteral("webmaster@") + site,
                     QStringLiteral("A description of site %1 with a few words about what it offers to "
                                    "its visitors, written by its owner in a meta tag.")
                         .arg(i),
                     QStringLiteral("http://www.") + site + QStringLiteral("/index.html")});
    }
    t.replaceDataRows(std::move(data));
}

void BM_SaveResults100k(benchmark::State& state)
{
    QTemporaryDir dir;
    ResultsTable t;
    fillTable(t, kRows);
    const QString path = dir.filePath(QStringLiteral("database.txt"));
    for (auto _ : state) {
        const SaveOutcome outcome = SaveResults(t, path, kDelimiter);
        if (!outcome.ok)
            state.SkipWithError(qPrintable(outcome.error));
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_SaveResults100k)->Unit(benchmark::kMillisecond);

void BM_LoadResults100k(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("database.txt"));
    {
        ResultsTable t;
        fillTable(t, kRows);
        SaveResults(t, path, kDelimiter);
    }
    ResultsTable t;
    for (auto _ : state) {
        if (!LoadResults(t, path, kDelimiter) || t.tableRowCount() != kRows + 1)
            state.SkipWithError("load failed");
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_LoadResults100k)->Unit(benchmark::kMillisecond);

QStringList harvest(int n)
{
    QStringList urls;
    urls.reserve(n);
    for (int i = 0; i < n; ++i)
        urls.append(QStringLiteral("http://www.Site%1.example/page%2.html").arg(i * 7919 % n).arg(i % 17));
    return urls;
}

void BM_HarvestAddMany20k(benchmark::State& state)
{
    const QStringList urls = harvest(20000);
    for (auto _ : state) {
        SortedListModel list;
        list.addMany(urls);
        benchmark::DoNotOptimize(list.count());
    }
    state.SetItemsProcessed(state.iterations() * urls.size());
}
BENCHMARK(BM_HarvestAddMany20k)->Unit(benchmark::kMillisecond);

void BM_AddOneByOne20k(benchmark::State& state)
{
    const QStringList urls = harvest(20000);
    for (auto _ : state) {
        SortedListModel list;
        for (const QString& url : urls)
            list.add(url);
        benchmark::DoNotOptimize(list.count());
    }
    state.SetItemsProcessed(state.iterations() * urls.size());
}
BENCHMARK(BM_AddOneByOne20k)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
