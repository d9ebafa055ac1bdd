#include "BenchPages.h"
#include "analysis/PageAnalysis.h"
#include "pattern/Pattern.h"
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
        const PageVerdict verdict = AnalysePage(settings.snapshot(), page, header, badWords, validStatus);
        ResultRow cells = FillRowCells(settings.snapshot(), verdict, url, page);
        benchmark::DoNotOptimize(cells);
    }
    state.SetBytesProcessed(state.iterations() * page.size() * qsizetype(sizeof(QChar)));
    state.counters["page_chars"] = double(page.size());
}
BENCHMARK(BM_AnalyseAndFillRow)->Unit(benchmark::kMillisecond);

// A directory page of 20 000 links on one line, about 1 MB, with a link back
// at its end or none: the shipped reciprocal-link pattern, four greedy '.*'
// groups, must give the exact answer on it (a backtracking engine gives up).
QString oneLinePage(bool withLinkBack)
{
    QString page = QStringLiteral("<html><body>");
    page.reserve(1 << 20);
    for (int i = 0; i < 20000; ++i)
        page += QStringLiteral("<a href=\"http://s%1.other.org/\">Site %1</a>|").arg(i);
    if (withLinkBack)
        page += QStringLiteral("<a href=\"http://www.example.com/\">Us</a>");
    return page + QStringLiteral("</body></html>");
}

void BM_RecipOnOneLinePage(benchmark::State& state)
{
    const bool withLinkBack = state.range(0) != 0;
    const QString page = oneLinePage(withLinkBack);
    const QString recip = Settings().text(Key::Reciptext);
    for (auto _ : state) {
        const PatternOutcome outcome = PatternEvaluate(recip, page);
        const PatternOutcome expected = withLinkBack ? PatternOutcome::Match : PatternOutcome::NoMatch;
        if (outcome != expected) {
            state.SkipWithError("wrong answer");
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() * page.size() * qsizetype(sizeof(QChar)));
    state.counters["page_chars"] = double(page.size());
}
BENCHMARK(BM_RecipOnOneLinePage)->Arg(0)->Arg(1)->ArgName("link_back")->Unit(benchmark::kMillisecond);

// The same page with a pattern whose long literal start occurs at each of the
// 20,000 links and whose '.*' reads on to the end of the line: a search that
// began afresh at every occurrence would read the line 20,000 times.
void BM_PrefixPatternOnOneLinePage(benchmark::State& state)
{
    const bool withLinkBack = state.range(0) != 0;
    const QString page = oneLinePage(withLinkBack);
    const QString pattern = QStringLiteral("<a href=\"http://(.*)example\\.com");
    for (auto _ : state) {
        const PatternOutcome outcome = PatternEvaluate(pattern, page);
        if (outcome != (withLinkBack ? PatternOutcome::Match : PatternOutcome::NoMatch)) {
            state.SkipWithError("wrong answer");
            break;
        }
        benchmark::DoNotOptimize(RegexLastMatch(pattern, page));
    }
    state.SetBytesProcessed(state.iterations() * page.size() * qsizetype(sizeof(QChar)));
}
BENCHMARK(BM_PrefixPatternOnOneLinePage)->Arg(0)->Arg(1)->ArgName("link_back")->Unit(benchmark::kMillisecond);

// Each pattern of the shipped settings that reads the whole page, alone:
// RegexLastMatch over the 1 MB page, case ignored. The page's forms are made
// once, as in the analysis of one page.
void BM_ShippedPatternOnPage(benchmark::State& state)
{
    const QString page = BenchPages::directoryPage(1 << 20);
    const Settings settings;
    QString pattern;
    switch (state.range(0)) {
    case 0:
        pattern = settings.text(Key::TitleRegEx1) + settings.text(Key::TitleRegEx2) + settings.text(Key::TitleRegEx3);
        state.SetLabel("title");
        break;
    case 1:
        pattern = settings.text(Key::DescriptionRegEx1) + settings.text(Key::DescriptionRegEx2) +
                  settings.text(Key::DescriptionRegEx3);
        state.SetLabel("description");
        break;
    default:
        pattern = settings.text(Key::EmailRegEx1);
        state.SetLabel("e-mail");
        break;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(RegexLastMatch(pattern, page));
    state.SetBytesProcessed(state.iterations() * page.size() * qsizetype(sizeof(QChar)));
}
BENCHMARK(BM_ShippedPatternOnPage)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
