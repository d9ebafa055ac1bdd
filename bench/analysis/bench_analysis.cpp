#include "analysis/PageAnalysis.h"
#include "settings/Settings.h"

#include <QRandomGenerator>
#include <QStringList>
#include <benchmark/benchmark.h>

namespace {

// A directory-style page of about 1 MB: head with title and meta description,
// then paragraphs of words with links and the odd e-mail address, CR LF line
// ends throughout.
QString makePage(qsizetype targetSize)
{
    static const char* const words[] = {"garden", "tools", "links",   "directory", "quality", "service",
                                        "online", "shop",  "review",  "the",       "and",     "for",
                                        "with",   "best",  "partner", "resources", "free",    "guide"};
    QRandomGenerator random(42);
    const auto word = [&] { return QString::fromLatin1(words[random.bounded(int(std::size(words)))]); };

    QString page;
    page.reserve(targetSize + 4096);
    page += QStringLiteral("<!DOCTYPE html>\r\n<html>\r\n<head>\r\n<meta charset=\"utf-8\">\r\n"
                           "<title>Garden Tools Directory - Quality Links</title>\r\n"
                           "<meta name=\"description\" content=\"The best garden tools, rakes and spades: "
                           "reviewed links you'll trust\">\r\n"
                           "<link rel=\"stylesheet\" href=\"/style.css\">\r\n</head>\r\n<body>\r\n");
    int paragraph = 0;
    while (page.size() < targetSize) {
        page += QStringLiteral("<div class=\"entry\" id=\"e%1\">\r\n<p>").arg(paragraph);
        for (int line = 0; line < 4; ++line) {
            for (int w = 0; w < 12; ++w) {
                page += word();
                page += u' ';
            }
            page += QStringLiteral("<a href=\"http://www.%1-%2.example.com/%3/index.html\">%4 %5</a>\r\n")
                        .arg(word())
                        .arg(paragraph)
                        .arg(word(), word(), word());
        }
        if (paragraph % 25 == 0)
            page +=
                QStringLiteral("Contact: %1.%2@mail%3.example.org\r\n").arg(word(), word()).arg(paragraph);
        page += QStringLiteral("</p>\r\n</div>\r\n");
        ++paragraph;
    }
    page += QStringLiteral("</body>\r\n</html>\r\n");
    return page;
}

const QString kHeader = QStringLiteral("HTTP/1.1 200 OK\r\nDate: Mon, 07 Dec 2026 20:00:00 GMT\r\n"
                                       "Server: Apache\r\nContent-Type: text/html; charset=UTF-8\r\n"
                                       "Content-Length: 1048576\r\nConnection: close\r\n");

void BM_AnalyseAndFillRow(benchmark::State& state)
{
    const QString page = makePage(1 << 20);
    Settings settings;
    const QStringList badWords{QStringLiteral("casino"), QStringLiteral("viagra"), QStringLiteral("poker")};
    const QStringList validStatus{QStringLiteral("200 OK"), QStringLiteral("301 Moved Permanently")};
    const QString url = QStringLiteral("http://www.garden.example.com/");
    for (auto _ : state) {
        const PageVerdict verdict = AnalysePage(settings, page, kHeader, badWords, validStatus);
        RowCells cells = FillRowCells(settings, verdict, url, page);
        benchmark::DoNotOptimize(cells);
    }
    state.SetBytesProcessed(state.iterations() * page.size() * qsizetype(sizeof(QChar)));
    state.counters["page_chars"] = double(page.size());
}
BENCHMARK(BM_AnalyseAndFillRow)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
