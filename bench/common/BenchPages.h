#pragma once

#include <QByteArray>
#include <QRandomGenerator>
#include <QString>
#include <iterator>

// The pages the benchmarks feed Quillmark. Generated, not shipped, and the same
// for every benchmark so their figures can be set side by side.
namespace BenchPages {

// A directory page of about targetSize characters: head with title and meta
// description, then paragraphs of words with links and the odd e-mail address,
// CR LF line ends throughout. Seeded, so every run analyses the same text.
inline QString directoryPage(qsizetype targetSize)
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

// The response header block served with directoryPage().
inline QString directoryHeader()
{
    return QStringLiteral("HTTP/1.1 200 OK\r\nDate: Mon, 07 Dec 2026 20:00:00 GMT\r\n"
                          "Server: Apache\r\nContent-Type: text/html; charset=UTF-8\r\n"
                          "Content-Length: 1048576\r\nConnection: close");
}

// Page i of a small directory site, as the batch benchmarks serve it.
inline QByteArray smallPage(int i)
{
    const QByteArray n = QByteArray::number(i);
    QByteArray body = "<html><head><title>Directory page " + n +
                      "</title>\n<meta name=\"description\" content=\"Links about topic " + n +
                      "\">\n</head><body>\n";
    for (int k = 0; k < 40; ++k)
        body += "<p><a href=\"http://site" + QByteArray::number(k) + ".example.org/\">Site " +
                QByteArray::number(k) + "</a> some text around the link</p>\n";
    return body + "<p>contact: editor" + n + "@example.org</p></body></html>\n";
}

} // namespace BenchPages
