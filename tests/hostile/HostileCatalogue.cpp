#include "HostileCatalogue.h"

#include <zlib.h>

namespace {

using Connection = HostileServer::Connection;

// Sent between the chunks of a never-ending or huge body.
QByteArray filler(int size)
{
    const QByteArray line = "<p>filler filler filler filler filler filler filler filler</p>\n";
    QByteArray out;
    out.reserve(size);
    while (out.size() < size)
        out += line;
    out.truncate(size);
    return out;
}

const QByteArray kHtml = "Content-Type: text/html; charset=utf-8";

} // namespace

const QByteArray& HostileCatalogue::gzipBomb()
{
    static const QByteArray bomb = [] {
        z_stream z{};
        deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, 15 + 16, 9, Z_DEFAULT_STRATEGY);
        const QByteArray blanks(1 << 20, ' ');
        QByteArray out;
        char buffer[1 << 16];
        for (qint64 fed = 0; fed <= HugeBodyBytes; fed += blanks.size()) {
            const bool last = fed == HugeBodyBytes;
            z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(blanks.constData()));
            z.avail_in = last ? 0 : uInt(blanks.size());
            do {
                z.next_out = reinterpret_cast<Bytef*>(buffer);
                z.avail_out = sizeof buffer;
                deflate(&z, last ? Z_FINISH : Z_NO_FLUSH);
                out.append(buffer, qsizetype(sizeof buffer - z.avail_out));
            } while (z.avail_out == 0);
        }
        deflateEnd(&z);
        return out;
    }();
    return bomb;
}

QList<HostileCatalogue::GoodPage> HostileCatalogue::installGoodPages(HostileServer& server, int count)
{
    QList<GoodPage> pages;
    for (int i = 1; i <= count; ++i) {
        const QString title = QStringLiteral("Good page %1").arg(i);
        const QByteArray body = "<html><head><title>" + title.toUtf8() +
                                "</title>\r\n<meta name=\"description\" content=\"Page number " +
                                QByteArray::number(i) + "\"></head><body>Write to info" +
                                QByteArray::number(i) + "@good.example.com</body></html>\r\n";
        const QString path = QStringLiteral("/good/%1").arg(i);
        server.route(path, HostileServer::page(body));
        pages.append({path, title});
    }
    return pages;
}

QList<HostileCatalogue::Case> HostileCatalogue::install(HostileServer& server, const QString& localFile)
{
    QList<Case> cases;
    const auto add = [&](const QString& name, Outcome outcome, HostileServer::Behaviour behaviour) {
        const QString path = QLatin1Char('/') + name;
        server.route(path, std::move(behaviour));
        cases.append({name, path, outcome});
    };

    // One byte of the header block a second, for ever.
    add(QStringLiteral("trickle-headers"), Outcome::Fails, [](Connection& c) {
        const QByteArray head = HostileServer::head(200, "OK", {kHtml}) + "<title>never</title>";
        for (qsizetype i = 0;; i = (i + 1) % head.size())
            if (!c.write(head.mid(i, 1)) || !c.pause(1000))
                return;
    });
    // Chunked, as fast as the client takes it, with no last chunk.
    add(QStringLiteral("endless-body"), Outcome::Truncated, [](Connection& c) {
        const QByteArray start = "<html><title>Endless</title>";
        if (!c.write(HostileServer::head(200, "OK", {kHtml, "Transfer-Encoding: chunked"}) +
                     QByteArray::number(start.size(), 16) + "\r\n" + start + "\r\n"))
            return;
        const QByteArray data = filler(60000);
        const QByteArray chunk = QByteArray::number(data.size(), 16) + "\r\n" + data + "\r\n";
        while (c.write(chunk)) {
        }
    });
    // A declared gigabyte, streamed from one small buffer.
    add(QStringLiteral("huge-body"), Outcome::Truncated, [](Connection& c) {
        if (!c.write(HostileServer::head(200, "OK",
                                         {kHtml, "Content-Length: " + QByteArray::number(HugeBodyBytes)})))
            return;
        const QByteArray data = filler(1 << 16);
        for (qint64 sent = 0; sent < HugeBodyBytes; sent += data.size())
            if (!c.write(data))
                return;
    });
    add(QStringLiteral("gzip-bomb"), Outcome::Truncated, [](Connection& c) {
        const QByteArray& bomb = gzipBomb();
        c.write(HostileServer::head(
                    200, "OK",
                    {kHtml, "Content-Encoding: gzip", "Content-Length: " + QByteArray::number(bomb.size())}) +
                bomb);
    });
    add(QStringLiteral("garbage-status"), Outcome::Fails, [](Connection& c) {
        static const char line[] = "\x16\x03\x01\x02\x00garbage \xff\xfe status\r\n";
        c.write(QByteArray(line, sizeof line - 1) + kHtml + "\r\n\r\n<title>garbage</title>");
    });
    add(QStringLiteral("no-status"), Outcome::Fails,
        [](Connection& c) { c.write("<html><title>No status line</title></html>\r\n"); });
    add(QStringLiteral("closed-mid-header"), Outcome::Fails,
        [](Connection& c) { c.write("HTTP/1.1 200 OK\r\nContent-Type: text/ht"); });
    add(QStringLiteral("reset-mid-body"), Outcome::Fails, [](Connection& c) {
        if (c.write(HostileServer::head(200, "OK", {kHtml, "Content-Length: 100000"}) +
                    "<html><title>Reset</title>" + filler(5000))) {
            c.pause(200);
            HostileServer::resetConnection(c);
        }
    });
    add(QStringLiteral("redirect-loop"), Outcome::Fails, HostileServer::redirect("/redirect-loop-b"));
    server.route(QStringLiteral("/redirect-loop-b"), HostileServer::redirect("/redirect-loop"));
    const QByteArray fileUrl = "file://" + localFile.toUtf8();
    add(QStringLiteral("redirect-file"), Outcome::Fails, HostileServer::redirect(fileUrl));
    add(QStringLiteral("redirect-gopher"), Outcome::Fails,
        HostileServer::redirect("gopher://127.0.0.1:" + QByteArray::number(server.port()) +
                                "/1gopher-selector"));
    add(QStringLiteral("redirect-closed-port"), Outcome::Fails,
        HostileServer::redirect("http://127.0.0.1:" + QByteArray::number(HostileServer::closedPort()) + "/"));
    // Short lines: the block stays under libcurl's own cap on header size.
    add(QStringLiteral("many-headers"), Outcome::Arrives, [](Connection& c) {
        QList<QByteArray> headers{kHtml};
        for (int i = 0; i < HeaderLines; ++i)
            headers.append("X-" + QByteArray::number(i) + ": v");
        const QByteArray body = "<html><title>Many headers</title></html>";
        headers.append("Content-Length: " + QByteArray::number(body.size()));
        c.write(HostileServer::head(200, "OK", headers) + body);
    });
    // A megabyte of header lines, sent as fast as the client reads.
    add(QStringLiteral("huge-header-block"), Outcome::Fails, [](Connection& c) {
        if (!c.write("HTTP/1.1 200 OK\r\n" + kHtml + "\r\n"))
            return;
        const QByteArray line = "X-Filler: " + QByteArray(100, 'v') + "\r\n";
        for (int i = 0; i < 10000; ++i)
            if (!c.write(line))
                return;
        c.write("\r\n<title>never</title>");
    });
    add(QStringLiteral("invalid-utf8"), Outcome::Arrives, [](Connection& c) {
        static const char body[] = "<html><title>Bad \xC3\x28 bytes \xFF and \x00 NUL \xED\xA0\x80</title>"
                                   "<meta name=\"description\" content=\"nul\x00here \xF8\x88\x80\x80\x80\">"
                                   "</html>";
        HostileServer::page(QByteArray(body, sizeof body - 1))(c);
    });
    add(QStringLiteral("huge-title"), Outcome::Arrives, [](Connection& c) {
        QByteArray body = "<html><head><title>";
        body += QByteArray("Word ").repeated(TitleBytes / 5);
        body += "</title></head><body>huge title</body></html>";
        c.write(
            HostileServer::head(200, "OK", {kHtml, "Content-Length: " + QByteArray::number(body.size())}) +
            body);
    });
    return cases;
}
