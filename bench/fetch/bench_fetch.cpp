// The fetch pool over 300 pages on 50 loopback hosts (127.0.0.2 to 127.0.0.51)
// that each answer after 100 ms, as slow sites do: one connection against
// several. Each run also reports the most requests one host and all hosts were
// answering at once, as the servers counted them.

#include "BenchMain.h"
#include "TestHttpServer.h"
#include "platform/FetchPool.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <benchmark/benchmark.h>
#include <memory>
#include <vector>

namespace {

constexpr int kHosts = 50;
constexpr int kPages = 300;
constexpr int kAnswerDelayMs = 100;
constexpr int kPerHost = 2;

struct Hosts
{
    std::vector<std::unique_ptr<TestHttpServer>> servers;
    std::shared_ptr<TestLoadGauge> all = std::make_shared<TestLoadGauge>();

    Hosts()
    {
        for (int h = 0; h < kHosts; ++h) {
            auto server = std::make_unique<TestHttpServer>(QHostAddress(QStringLiteral("127.0.0.%1").arg(h + 2)));
            server->shareGauge(all);
            server->route("/page/*", [](const TestHttpRequest& request) {
                TestHttpResponse r = TestHttpResponse::html("<html><title>" + request.target + "</title></html>");
                r.headDelayMs = kAnswerDelayMs;
                return r;
            });
            servers.push_back(std::move(server));
        }
    }

    // Round robin: page i on host i mod 50. Grouped: the six pages of a host
    // one after the other, which leans on the per-host limit.
    QStringList urls(bool grouped) const
    {
        QStringList list;
        for (int i = 0; i < kPages; ++i) {
            const int host = grouped ? i / (kPages / kHosts) : i % kHosts;
            list.append(servers[host]->url(QStringLiteral("/page/%1").arg(i)).toString());
        }
        return list;
    }

    int peakPerHost() const
    {
        int peak = 0;
        for (const auto& s : servers)
            peak = qMax(peak, s->peakConcurrentRequests());
        return peak;
    }
};

void BM_FetchPool(benchmark::State& state)
{
    const int connections = int(state.range(0));
    const bool grouped = state.range(1) != 0;
    Hosts hosts; // fresh servers: the peaks count this run only
    const QStringList urls = hosts.urls(grouped);
    int failures = 0;
    for (auto _ : state) {
        FetchPool pool(nullptr, {}, connections, kPerHost);
        int done = 0;
        QObject::connect(&pool, &FetchPool::finished, [&](quint64, const FetchResult& r) {
            ++done;
            if (!r.ok() || !r.header.startsWith(QLatin1String("HTTP/1.1 200 OK")))
                ++failures;
        });
        for (int i = 0; i < urls.size(); ++i)
            pool.enqueue(quint64(i), urls[i]);
        while (done < urls.size())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    if (failures)
        state.SkipWithError("not every page came back 200 OK");
    state.counters["pages/s"] = benchmark::Counter(double(state.iterations() * kPages), benchmark::Counter::kIsRate);
    state.counters["peak_per_host"] = hosts.peakPerHost();
    state.counters["peak_total"] = hosts.all->peak();
}
BENCHMARK(BM_FetchPool)
    ->ArgNames({"connections", "grouped"})
    ->Args({1, 0})
    ->Args({8, 0})
    ->Args({8, 1})
    ->Args({32, 0})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

} // namespace

QM_BENCHMARK_QT_MAIN(QCoreApplication)
