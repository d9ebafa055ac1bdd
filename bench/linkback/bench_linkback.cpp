#include "BenchPages.h"
#include "analysis/PageAnalysis.h"
#include "linkback/HtmlTree.h"
#include "linkback/LinkBackVerdict.h"
#include "linkback/LinkProof.h"
#include "linkback/PageSkeleton.h"
#include "linkback/RobotsTxt.h"
#include "settings/Settings.h"

#include <QStringList>
#include <benchmark/benchmark.h>

// The proof beside the one-page analysis, on the analysis benchmark's 1 MB
// directory page with a link back near its end; then the hostile shapes.
namespace {

const QString kUrl = QStringLiteral("http://www.garden.example.com/links.html");

QString pageWithLinkBack(qsizetype size)
{
    QString page = BenchPages::directoryPage(size);
    page.insert(
        page.lastIndexOf(QStringLiteral("</body>")),
        QStringLiteral("<p><a href=\"https://www.example.com/\" title=\"Example\">Example</a></p>\r\n"));
    return page;
}

void BM_AnalysisAlone(benchmark::State& state)
{
    const QString page = pageWithLinkBack(1 << 20);
    const QString header = BenchPages::directoryHeader();
    Settings settings;
    const QStringList badWords{QStringLiteral("casino"), QStringLiteral("viagra"), QStringLiteral("poker")};
    const QStringList validStatus{QStringLiteral("200 OK"), QStringLiteral("301 Moved Permanently")};
    for (auto _ : state) {
        const PageVerdict verdict = AnalysePage(settings.snapshot(), page, header, badWords, validStatus);
        ResultRow cells = FillRowCells(settings.snapshot(), verdict, kUrl, page);
        benchmark::DoNotOptimize(cells);
    }
    state.SetBytesProcessed(state.iterations() * page.size() * qsizetype(sizeof(QChar)));
    state.counters["page_chars"] = double(page.size());
}
BENCHMARK(BM_AnalysisAlone)->Unit(benchmark::kMillisecond);

// Parsing and the proof, with the verdict: what the batch run adds per page.
void BM_ProofMySite(benchmark::State& state)
{
    const QString page = pageWithLinkBack(qsizetype(state.range(0)) << 10);
    const QString header = BenchPages::directoryHeader();
    const MySites sites = MySites::parse({QStringLiteral("example.com")});
    for (auto _ : state) {
        const LinkProofResult proof = LinkProof::examine(kUrl, header, page, sites);
        const LinkBackVerdict verdict = LinkBackVerdict::decide(proof, RobotsAccess::Allowed);
        if (verdict.kind != LinkBack::Followed) {
            state.SkipWithError("wrong verdict");
            break;
        }
        benchmark::DoNotOptimize(verdict);
    }
    state.SetBytesProcessed(state.iterations() * page.size() * qsizetype(sizeof(QChar)));
    state.counters["page_chars"] = double(page.size());
    // What the parser is given of the page's UTF-8.
    const PageSkeleton skeleton(page.toUtf8(), sites, false);
    state.counters["skeleton_bytes"] = double(skeleton.bytes().size());
    state.counters["page_bytes"] = double(skeleton.original().size());
}
BENCHMARK(BM_ProofMySite)->Arg(64)->Arg(1024)->ArgName("KiB")->Unit(benchmark::kMillisecond);

// A page without a link back: the quick look over its href values says so
// and the page is not parsed.
void BM_ProofNoLinkBack(benchmark::State& state)
{
    const QString page = BenchPages::directoryPage(1 << 20);
    const QString header = BenchPages::directoryHeader();
    const MySites sites = MySites::parse({QStringLiteral("example.com")});
    for (auto _ : state) {
        const LinkProofResult proof = LinkProof::examine(kUrl, header, page, sites);
        if (LinkBackVerdict::decide(proof, RobotsAccess::Allowed).kind != LinkBack::NoLink) {
            state.SkipWithError("wrong verdict");
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() * page.size() * qsizetype(sizeof(QChar)));
}
BENCHMARK(BM_ProofNoLinkBack)->Unit(benchmark::kMillisecond);

// The parser alone, the floor under the proof.
void BM_ParseOnly(benchmark::State& state)
{
    const QString page = pageWithLinkBack(1 << 20);
    qint64 peak = 0;
    for (auto _ : state) {
        const HtmlTree tree(page, {});
        peak = tree.peakBytes();
        benchmark::DoNotOptimize(tree.document());
    }
    state.counters["tree_MiB"] = double(peak) / (1 << 20);
}
BENCHMARK(BM_ParseOnly)->Unit(benchmark::kMillisecond);

void BM_ProofAllLinks(benchmark::State& state)
{
    const QString page = pageWithLinkBack(1 << 20);
    qsizetype links = 0;
    for (auto _ : state) {
        const LinkProofResult proof =
            LinkProof::examine(kUrl, {}, page, MySites(), LinkProof::Scope::AllLinks);
        links = proof.links.size();
    }
    state.counters["links"] = double(links);
}
BENCHMARK(BM_ProofAllLinks)->Unit(benchmark::kMillisecond);

// The fetcher's largest page, 16 MiB of dense anchors: time and the tree's memory.
void BM_Hostile16MiBAnchors(benchmark::State& state)
{
    QString page;
    page.reserve(16 << 20);
    for (int i = 0; page.size() < (16 << 20); ++i)
        page += QStringLiteral("<a href=/%1>%1</a>").arg(i);
    qint64 peak = 0;
    for (auto _ : state) {
        const HtmlTree tree(page, LinkProof::defaultLimits(page.size()));
        peak = tree.peakBytes();
        if (!tree.isComplete())
            state.SkipWithError("stopped by a limit");
        const LinkProofResult proof = LinkProof::examine(kUrl, {}, page, MySites::parse({"example.com"}));
        benchmark::DoNotOptimize(proof);
    }
    state.counters["tree_MiB"] = double(peak) / (1 << 20);
}
BENCHMARK(BM_Hostile16MiBAnchors)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_HostileDeepNesting(benchmark::State& state)
{
    const QString page = QStringLiteral("<div>").repeated(int(state.range(0))) +
                         QStringLiteral("<a href=\"https://example.com/\">E</a>");
    const MySites sites = MySites::parse({QStringLiteral("example.com")});
    for (auto _ : state) {
        const LinkProofResult proof = LinkProof::examine(kUrl, {}, page, sites);
        state.counters["complete"] = proof.complete ? 1 : 0;
    }
}
BENCHMARK(BM_HostileDeepNesting)
    ->Arg(10000)
    ->Arg(100000)
    ->ArgName("depth")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

void BM_Robots500KiB(benchmark::State& state)
{
    QByteArray robots = "User-agent: *\n";
    for (int i = 0; robots.size() < RobotsTxt::MaxBytes; ++i)
        robots += "Disallow: /*/d" + QByteArray::number(i) + "/*.html$\n";
    for (auto _ : state) {
        const RobotsTxt rules = RobotsTxt::parse(robots);
        benchmark::DoNotOptimize(rules.allows(QStringLiteral("/a/b/d77/c.html?x")));
    }
}
BENCHMARK(BM_Robots500KiB)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
