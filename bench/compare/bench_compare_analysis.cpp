// The one-page analysis of the batch run (checks, title, description, e-mail,
// row cells) with the shipped configuration, on a 1 MB directory page and on
// 1 MB of pages of mixed sites (MixedPages.h). The same pages and rules in
// JavaScript are analysis.js; compare.sh runs both.
//
//   bench_compare_analysis --write-page=FILE    writes the directory page and stops
//   bench_compare_analysis --write-pages=DIR    writes the mixed pages and stops
//   bench_compare_analysis [--page=FILE | --pages=DIR] --fields
//                                               prints what the analysis finds
//   bench_compare_analysis [--page=FILE] [--pages=DIR] [benchmark flags]
//                                               times it
//
// The configuration is read from the source tree's data folder (links.ini,
// badwords.txt, headers.txt), as a first start would read it.
#include "BenchPages.h"
#include "MixedPages.h"
#include "analysis/PageAnalysis.h"
#include "filters/ListFile.h"
#include "filters/SortedListModel.h"
#include "pattern/Pattern.h"
#include "pattern/PatternSubject.h"
#include "settings/Settings.h"
#include "settings/SettingsFile.h"

#include <QDir>
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
const char* g_pagesDir = nullptr;

QString benchPage()
{
    return g_pageFile ? readPage(g_pageFile) : BenchPages::directoryPage(1 << 20);
}

QStringList mixedPages()
{
    if (!g_pagesDir)
        return MixedPages::pages();
    QStringList pages;
    const QDir dir(QString::fromLocal8Bit(g_pagesDir));
    for (const QString& name : dir.entryList({QStringLiteral("*.html")}, QDir::Files, QDir::Name))
        pages << readPage(qPrintable(dir.filePath(name)));
    return pages;
}

QString mixedUrl(qsizetype i)
{
    return QStringLiteral("http://www.site-%1.example.com/").arg(i);
}

void printFields(const Configuration& config, const QString& page, const QString& url)
{
    const PageVerdict v = AnalysePage(config.settings.snapshot(), page, kHeader, config.badWords.entries(),
                                      config.validStatus.entries());
    const ResultRow cells = FillRowCells(config.settings.snapshot(), v, url, page);
    std::printf("accepted=%d\ntitle=%s\nemail=%s\ndescription=%s\ndomain=%s\n", int(v.accepted()),
                qUtf8Printable(cells.title), qUtf8Printable(cells.email), qUtf8Printable(cells.description),
                qUtf8Printable(RowUrlDomain(config.settings.snapshot(), url)));
}

void BM_AnalysePage(benchmark::State& state)
{
    const QString page = benchPage();
    Configuration config;
    for (auto _ : state) {
        // Each page reads its lists afresh, as the run does.
        const PageVerdict verdict = AnalysePage(config.settings.snapshot(), page, kHeader,
                                                config.badWords.entries(), config.validStatus.entries());
        ResultRow cells = FillRowCells(config.settings.snapshot(), verdict, kUrl, page);
        benchmark::DoNotOptimize(cells);
    }
    state.SetBytesProcessed(state.iterations() * page.size() * qsizetype(sizeof(QChar)));
    state.counters["page_chars"] = double(page.size());
}
BENCHMARK(BM_AnalysePage)->Unit(benchmark::kMillisecond)->MinTime(3.0);

// The same analysis of every page of about 1 MB of pages of mixed sites, one
// after the other, as a run meets them: each page is new to the analysis.
void BM_AnalyseMixedPages(benchmark::State& state)
{
    const QStringList pages = mixedPages();
    Configuration config;
    qsizetype chars = 0;
    for (const QString& page : pages)
        chars += page.size();
    for (auto _ : state) {
        for (qsizetype i = 0; i < pages.size(); ++i) {
            const PageVerdict verdict = AnalysePage(config.settings.snapshot(), pages[i], kHeader,
                                                    config.badWords.entries(), config.validStatus.entries());
            ResultRow cells = FillRowCells(config.settings.snapshot(), verdict, mixedUrl(i), pages[i]);
            benchmark::DoNotOptimize(cells);
        }
    }
    state.SetBytesProcessed(state.iterations() * chars * qsizetype(sizeof(QChar)));
    state.counters["pages"] = double(pages.size());
    state.counters["page_chars"] = double(chars);
}
BENCHMARK(BM_AnalyseMixedPages)->Unit(benchmark::kMillisecond)->MinTime(3.0);

// The part of it that makes each page's text readable by RE2, case ignored.
void BM_MixedPagesForRe2(benchmark::State& state)
{
    const QStringList pages = mixedPages();
    PatternSubject subject;
    qsizetype chars = 0;
    qsizetype ascii = 0;
    for (const QString& page : pages) {
        chars += page.size();
        for (const QChar c : page)
            ascii += c.unicode() < 0x80;
    }
    for (auto _ : state) {
        for (const QString& page : pages) {
            subject.reset(page, false);
            benchmark::DoNotOptimize(subject.utf8());
        }
    }
    state.SetBytesProcessed(state.iterations() * chars * qsizetype(sizeof(QChar)));
    state.counters["ascii_share"] = double(ascii) / double(chars);
}
BENCHMARK(BM_MixedPagesForRe2)->Unit(benchmark::kMillisecond);

// Each shipped pattern that reads a whole page, alone, over the mixed pages.
// A page's text is converted for RE2 by the first of them only.
void BM_MixedPagesPattern(benchmark::State& state)
{
    const QStringList pages = mixedPages();
    Configuration config;
    const Settings& s = config.settings;
    const QString patterns[] = {
        s.text(Key::TitleRegEx1) + s.text(Key::TitleRegEx2) + s.text(Key::TitleRegEx3),
        s.text(Key::DescriptionRegEx1) + s.text(Key::DescriptionRegEx2) + s.text(Key::DescriptionRegEx3),
        s.text(Key::EmailRegEx1)};
    const QString& pattern = patterns[state.range(0)];
    for (auto _ : state) {
        for (const QString& page : pages) {
            // Another pattern first, so that the page's conversion is not timed.
            state.PauseTiming();
            benchmark::DoNotOptimize(RegexLastMatch(patterns[(state.range(0) + 1) % 3], page));
            state.ResumeTiming();
            benchmark::DoNotOptimize(RegexLastMatch(pattern, page));
        }
    }
}
BENCHMARK(BM_MixedPagesPattern)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

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
        if (std::strncmp(argv[i], "--write-pages=", 14) == 0) {
            const QDir dir(QString::fromLocal8Bit(argv[i] + 14));
            const QStringList pages = MixedPages::pages();
            for (qsizetype k = 0; k < pages.size(); ++k) {
                QFile f(dir.filePath(QStringLiteral("page-%1.html").arg(k, 3, 10, QChar(u'0'))));
                if (!f.open(QIODevice::WriteOnly) || f.write(pages[k].toUtf8()) <= 0)
                    return 1;
            }
            return 0;
        }
        if (std::strncmp(argv[i], "--page=", 7) == 0 || std::strncmp(argv[i], "--pages=", 8) == 0) {
            if (argv[i][6] == '=')
                g_pageFile = argv[i] + 7;
            else
                g_pagesDir = argv[i] + 8;
            std::memmove(argv + i, argv + i + 1, sizeof(char*) * size_t(argc - i));
            --argc;
            --i;
        } else if (std::strcmp(argv[i], "--fields") == 0) {
            Configuration config;
            if (!g_pagesDir) {
                printFields(config, benchPage(), kUrl);
                return 0;
            }
            const QStringList pages = mixedPages();
            for (qsizetype k = 0; k < pages.size(); ++k)
                printFields(config, pages[k], mixedUrl(k));
            return 0;
        }
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
