#include "filters/SortedListModel.h"
#include "links/LinkHarvester.h"
#include "links/LinkListOps.h"

#include <QRandomGenerator>
#include <benchmark/benchmark.h>

namespace {

// A large directory page: n anchors over n/4 distinct addresses, each written
// in up to four letter cases, a quarter of them tracking links that carry the
// real address, in shuffled document order.
PageAnchors largePage(int n)
{
    PageAnchors page;
    page.hasDocument = true;
    page.hrefs.reserve(n);
    QRandomGenerator random(20000);
    for (int i = 0; i < n; ++i) {
        const int site = int(random.bounded(n / 4));
        QString href =
            QStringLiteral("http://site%1.example.com/category/page-%2.html").arg(site).arg(site * 7);
        switch (i % 4) {
        case 1:
            href = href.toUpper().replace(QStringLiteral("HTTP://"), QStringLiteral("http://"));
            break;
        case 2:
            href = QStringLiteral("http://tracker.example.net/out?id=%1&to=").arg(i) + href;
            break;
        default:
            break;
        }
        page.hrefs.append(href);
    }
    return page;
}

void BM_HarvestAndDeduplicate(benchmark::State& state)
{
    const PageAnchors page = largePage(int(state.range(0)));
    for (auto _ : state) {
        SortedListModel links;
        LinkListOps ops(links);
        benchmark::DoNotOptimize(ops.addHarvest(page));
        benchmark::DoNotOptimize(links.count());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_HarvestAndDeduplicate)->Arg(2000)->Arg(20000)->Unit(benchmark::kMillisecond);

// The same page harvested again into a full list, as a second "Get links" does.
void BM_HarvestIntoFullList(benchmark::State& state)
{
    const PageAnchors page = largePage(int(state.range(0)));
    SortedListModel links;
    LinkListOps ops(links);
    ops.addHarvest(page);
    for (auto _ : state)
        benchmark::DoNotOptimize(ops.addHarvest(page));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_HarvestIntoFullList)->Arg(20000)->Unit(benchmark::kMillisecond);

void BM_RemoveBadUrlMatches(benchmark::State& state)
{
    const QStringList entries = LinkHarvester::harvestPage(largePage(20000));
    QStringList patterns;
    for (int i = 0; i < int(state.range(0)); ++i)
        patterns.append(QStringLiteral("site%1\\.example\\.com/").arg(i * 13));
    for (auto _ : state) {
        state.PauseTiming();
        SortedListModel links;
        links.setEntries(entries);
        LinkListOps ops(links);
        state.ResumeTiming();
        benchmark::DoNotOptimize(ops.removeBadUrlMatches(patterns));
    }
}
BENCHMARK(BM_RemoveBadUrlMatches)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
