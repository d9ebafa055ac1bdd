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
#include "analysis/PageAnalysis.h"
#include "filters/ListFile.h"
#include "filters/SortedListModel.h"
#include "settings/Settings.h"
#include "settings/SettingsFile.h"

#include <QFile>
#include <QRandomGenerator>
#include <QStringList>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstring>

namespace {

const QString kHeader = QStringLiteral("HTTP/1.1 200 OK\r\nDate: Mon, 07 Dec 2026 20:00:00 GMT\r\n"
                                       "Server: Apache\r\nContent-Type: text/html; charset=UTF-8\r\n"
                                       "Content-Length: 1048576\r\nConnection: close");
const QString kUrl = QStringLiteral("http://www.garden.example.com/");

// A directory page of about 1 MB: head with title and meta description, then
// paragraphs of words with links and the odd e-mail address, CR LF line ends.
QString makePage(qsizetype targetSize)
{
    static const char* const words[] = {"garden", "tools", "links",   "directory", "quality", "service",
                                        "online", "shop",  "review",  "the",       "and",     "for",
                                        "with",   "best",  "partner", "resources", "free",    "guide"};
    QRandomGenerator random(42);
    const auto word = [&] { return QString::fromLatin1(words[random.bounded(int(std::size(words)))]); };
    QString page =
        QStringLiteral("<!DOCTYPE html>\r\n<html>\r\n<head>\r\n<meta charset=\"utf-8\">\r\n"
                       "<title>Garden Tools Directory - Quality Links</title>\r\n"
                       "<meta name=\"description\" content=\"The best garden tools, rakes and spades: "
                       "reviewed links you'll trust\">\r\n</head>\r\n<body>\r\n");
    for (int paragraph = 0; page.size() < targetSize; ++paragraph) {
        page += QStringLiteral("<div class=\"entry\" id=\"e%1\">\r\n<p>").arg(paragraph);
        for (int line = 0; line < 4; ++line) {
            for (int w = 0; w < 12; ++w)
                page += word() + u' ';
            page += QStringLiteral("<a href=\"http://www.%1-%2.example.com/%3/index.html\">%4 %5</a>\r\n")
                        .arg(word())
                        .arg(paragraph)
                        .arg(word(), word(), word());
        }
        if (paragraph % 25 == 0)
            page +=
                QStringLiteral("Contact: %1.%2@mail%3.example.org\r\n").arg(word(), word()).arg(paragraph);
        page += QStringLiteral("</p>\r\n</div>\r\n");
    }
    return page + QStringLiteral("</body>\r\n</html>\r\n");
}

struct Configuration
{
    Settings settings;
    SortedListModel badWords;
    SortedListModel validStatus;

    Configuration()
    {
        const QString data = QStringLiteral(QM_SOURCE_DIR "/data/");
        LoadSettings(settings, data + QStringLiteral("links.ini"));
        LoadListFromFile(badWords, data + settings.text(QStringLiteral("BadWordsFile")),
                         MissingListFile::KeepList);
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
    return g_pageFile ? readPage(g_pageFile) : makePage(1 << 20);
}

void BM_AnalysePage(benchmark::State& state)
{
    const QString page = benchPage();
    Configuration config;
    for (auto _ : state) {
        // Each page reads its lists afresh, as the run does.
        const PageVerdict verdict = AnalysePage(config.settings, page, kHeader, config.badWords.entries(),
                                                config.validStatus.entries());
        RowCells cells = FillRowCells(config.settings, verdict, kUrl, page);
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
            return f.open(QIODevice::WriteOnly) && f.write(makePage(1 << 20).toUtf8()) > 0 ? 0 : 1;
        }
        if (std::strncmp(argv[i], "--page=", 7) == 0) {
            g_pageFile = argv[i] + 7;
            std::memmove(argv + i, argv + i + 1, sizeof(char*) * size_t(argc - i));
            --argc;
            --i;
        } else if (std::strcmp(argv[i], "--fields") == 0) {
            const QString page = benchPage();
            Configuration config;
            const PageVerdict v = AnalysePage(config.settings, page, kHeader, config.badWords.entries(),
                                              config.validStatus.entries());
            const RowCells cells = FillRowCells(config.settings, v, kUrl, page);
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
