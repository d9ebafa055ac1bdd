// Pages rendered per second by the renderer pool, with 1 and 2 renderers, on
// loopback pages of 50 KB whose small script adds a link once the page is
// parsed, and the memory each renderer's process tree reached meanwhile.
//
// A page counts as settled only after 500 ms without a new request, so one
// renderer cannot do more than two pages a second; the runs with a quiet time
// of 0 show what the engine itself costs per page. The pool's renderers start
// before the timing (two pages each), and the runs go past the 50 pages after
// which a renderer is replaced, so that cost is in the figures.

#include "BenchPages.h"
#include "TestHttpServer.h"
#include "rendering/ProcessTree.h"
#include "rendering/RenderPool.h"

#include <QCoreApplication>
#include <QFile>
#include <QHash>
#include <QSet>
#include <QTest>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr int kPagesPerIteration = 30;
constexpr qsizetype kPageBytes = 50 * 1024;

QByteArray scriptedPage(int i)
{
    QByteArray page = BenchPages::directoryPage(kPageBytes).toUtf8();
    const QByteArray script =
        "<div id=\"late\"></div><script>document.addEventListener('DOMContentLoaded',"
        " function () { var a = document.createElement('a');"
        " a.href = 'https://mysite.example/" +
        QByteArray::number(i) +
        "';"
        " a.textContent = 'My site'; document.getElementById('late').appendChild(a); });"
        "</script>\r\n";
    page.insert(page.lastIndexOf("</body>"), script);
    return page;
}

// A "Key:   1234 kB" figure of a /proc file, in bytes.
qint64 procFigure(const QString& path, const QByteArray& key)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').value(0).toLongLong() * 1024;
    }
    return 0;
}

// The highest memory each renderer's tree reached: the pool's own measure
// (anonymous and shared memory) and, beside it, the sum of resident sets
// (shared libraries counted in every process) and of proportional set sizes
// (shared pages divided among their processes). Every 100 ms, the
// proportional sizes every 500 ms: they cost some 10 ms a process to read.
struct MemoryPeaks
{
    qint64 own = 0;
    qint64 resident = 0;
    qint64 proportional = 0;
    int mostProcesses = 0;
    int samples = 0;

    void sample(const RenderPool& pool)
    {
        const bool withPss = samples++ % 5 == 0;
        for (const qint64 root : pool.rendererPids()) {
            qint64 ownBytes = 0;
            qint64 rss = 0;
            qint64 pss = 0;
            const QList<qint64> tree = ProcessTree::members(root);
            for (const qint64 pid : tree) {
                ownBytes += ProcessTree::processMemoryBytes(pid);
                rss += procFigure(QStringLiteral("/proc/%1/status").arg(pid), "VmRSS:");
                if (withPss)
                    pss += procFigure(QStringLiteral("/proc/%1/smaps_rollup").arg(pid), "Pss:");
            }
            own = qMax(own, ownBytes);
            resident = qMax(resident, rss);
            proportional = qMax(proportional, pss);
            mostProcesses = qMax(mostProcesses, int(tree.size()));
        }
    }
};

struct Site
{
    TestHttpServer server;
    Site()
    {
        server.route("/page/*", [](const TestHttpRequest& request) {
            return TestHttpResponse::html(scriptedPage(request.path.section(u'/', 2).toInt()));
        });
    }
};

// Renders count pages and waits for all; false when one did not settle with
// its script's link.
bool renderAll(RenderPool& pool, Site& site, int first, int count, const RenderLimits& limits,
               MemoryPeaks* peaks)
{
    QHash<quint64, int> expected;
    int good = 0;
    int answered = 0;
    const QMetaObject::Connection connection =
        QObject::connect(&pool, &RenderPool::rendered, [&](quint64 id, const RenderResult& result) {
            ++answered;
            const QString link = QStringLiteral("https://mysite.example/%1").arg(expected.value(id));
            if (result.end == RenderEnd::Settled && result.html.contains(link))
                ++good;
            else
                std::fprintf(stderr, "page %d: %s %s\n", expected.value(id),
                             qPrintable(renderEndText(result.end)), qPrintable(result.error));
        });
    QTimer sampler;
    if (peaks) {
        QObject::connect(&sampler, &QTimer::timeout, [&] { peaks->sample(pool); });
        sampler.start(100);
    }
    for (int i = first; i < first + count; ++i)
        expected.insert(pool.render(site.server.url(QStringLiteral("/page/%1").arg(i)), limits), i);
    (void)QTest::qWaitFor([&] { return answered == count; }, 600000);
    QObject::disconnect(connection);
    return good == count;
}

void BM_Render(benchmark::State& state)
{
    RenderPool::Options options;
    options.renderers = int(state.range(0));
    RenderPool pool(options);
    RenderLimits limits;
    limits.quietMs = int(state.range(1));
    Site site;
    int next = 0;
    if (!renderAll(pool, site, next, 2 * options.renderers, limits, nullptr)) {
        state.SkipWithError("the warm-up pages did not render");
        return;
    }
    next += 2 * options.renderers;
    MemoryPeaks peaks;
    for (auto _ : state) {
        if (!renderAll(pool, site, next, kPagesPerIteration, limits, &peaks)) {
            state.SkipWithError("a page did not settle with its link");
            return;
        }
        next += kPagesPerIteration;
    }
    state.counters["pages/s"] =
        benchmark::Counter(double(state.iterations() * kPagesPerIteration), benchmark::Counter::kIsRate);
    state.counters["peak_own_MiB"] = double(peaks.own) / (1024 * 1024);
    state.counters["peak_rss_sum_MiB"] = double(peaks.resident) / (1024 * 1024);
    state.counters["peak_pss_MiB"] = double(peaks.proportional) / (1024 * 1024);
    state.counters["processes"] = peaks.mostProcesses;
}

} // namespace

BENCHMARK(BM_Render)
    ->ArgNames({"renderers", "quietMs"})
    ->Args({1, 500})
    ->Args({2, 500})
    ->Args({1, 0})
    ->Args({2, 0})
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
