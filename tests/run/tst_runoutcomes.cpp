#include "TestFiles.h"
#include "analysis/PageAnalysis.h"
#include "platform/FetchResult.h"
#include "run/RunReport.h"
#include "run/UrlOutcome.h"
#include "settings/Settings.h"

#include <QTemporaryDir>
#include <QTest>
#include <optional>

namespace {

const QString kOkHeader = QStringLiteral("HTTP/1.1 200 OK\r\nServer: test\r\nContent-Type: text/html; "
                                         "charset=utf-8\r\nContent-Length: 10\r\n");

const QString kPage = QStringLiteral("<HTML><HEAD><TITLE>Cheap Garden Tools</TITLE></HEAD><BODY>\r\n"
                                     "<p>Contact sales@garden.example.org</p></BODY></HTML>\r\n");

} // namespace

// What became of each URL of a run, and the report that lists them.
class RunOutcomesTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void urlOutcome_data();
    void urlOutcome();
    void reportQuotesFields_data();
    void reportQuotesFields();
    void reportDisarmsFormulas_data();
    void reportDisarmsFormulas();

private:
    QTemporaryDir m_folder;
};

void RunOutcomesTest::urlOutcome_data()
{
    QTest::addColumn<QString>("header");
    QTest::addColumn<QString>("error");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("outcome");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<QString>("contentType");

    const QString dns = QStringLiteral("Could not resolve host: nowhere.invalid");
    QTest::newRow("accepted") << kOkHeader << "" << 3 << "accepted"
                              << "row 3"
                              << "text/html; charset=utf-8";
    QTest::newRow("refused") << "HTTP/1.1 200 OK\r\nContent-Type: application/pdf\r\n"
                             << "" << 0 << "refused"
                             << "content type is not HTML: application/pdf"
                             << "application/pdf";
    QTest::newRow("failed") << "" << dns << 0 << "failed"
                            << "fetch failed: Could not resolve host: nowhere.invalid"
                            << "";
    // With the checks off an empty answer can still become a row.
    QTest::newRow("failed, yet a row") << "" << dns << 5 << "accepted"
                                       << "row 5"
                                       << "";
    // Accepted by the checks, yet no row: the analysis was given up.
    QTest::newRow("abandoned") << kOkHeader << "" << 0 << "refused"
                               << "the analysis of the page took too long"
                               << "text/html; charset=utf-8";
}

void RunOutcomesTest::urlOutcome()
{
    QFETCH(QString, header);
    QFETCH(QString, error);
    QFETCH(int, row);
    QFETCH(QString, outcome);
    QFETCH(QString, reason);
    QFETCH(QString, contentType);
    Settings settings;
    if (!error.isEmpty())
        settings.setFlag(Key::ContentTypeCheck, FlagState::Off);
    FetchResult fetch;
    fetch.url = QStringLiteral("http://www.garden.example.org/final");
    fetch.header = header;
    fetch.body = error.isEmpty() ? kPage : QString();
    fetch.error = error;
    fetch.bytes = 321;
    fetch.milliseconds = 45;
    const PageVerdict verdict = AnalysePage(settings.snapshot(), fetch.body, fetch.header, {}, {});

    const std::optional<ResultRow> cells = row > 0 ? std::optional(ResultRow{row}) : std::nullopt;
    const UrlOutcome o =
        UrlOutcome::processed(4, QStringLiteral("http://www.garden.example.org/"), fetch, verdict, cells);
    const RunReport::Line line = o.reportLine();
    QCOMPARE(line.index, 4);
    QCOMPARE(line.url, QStringLiteral("http://www.garden.example.org/"));
    QCOMPARE(line.outcome, outcome);
    QCOMPARE(line.reason, reason);
    QCOMPARE(line.statusLine, header.isEmpty() ? QString() : QStringLiteral("HTTP/1.1 200 OK"));
    QCOMPARE(line.contentType, contentType);
    QCOMPARE(line.bytes, std::optional<qint64>(321));
    QCOMPARE(line.milliseconds, std::optional<qint64>(45));

    const RunReport::Line stopped =
        UrlOutcome::notReached(9, QStringLiteral("http://late.example/")).reportLine();
    QCOMPARE(stopped.outcome, QStringLiteral("not reached"));
    QCOMPARE(stopped.reason, QString());
    QVERIFY(!stopped.bytes && !stopped.milliseconds);
}

// Each row's texts go into one line of a report; the file must hold exactly
// the header line and that line, quoted where a reader would otherwise split
// or join fields, and otherwise as they are.
void RunOutcomesTest::reportQuotesFields_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<QString>("contentType");
    QTest::addColumn<bool>("numbers");
    QTest::addColumn<QByteArray>("line");

    QTest::newRow("plain") << "http://a.example/"
                           << "status line not accepted: HTTP/1.1 404 Not Found"
                           << "text/html; charset=utf-8" << true
                           << QByteArray(
                                  "7,http://a.example/,refused,status line not accepted: HTTP/1.1 404 Not "
                                  "Found,HTTP/1.1 404 Not Found,text/html; charset=utf-8,512,40,2\r\n");
    QTest::newRow("comma") << "http://a.example/?a=1,2"
                           << "bad word in the title: cheap"
                           << "text/html;a=1,b=2" << true
                           << QByteArray("7,\"http://a.example/?a=1,2\",refused,bad word in the title: "
                                         "cheap,HTTP/1.1 404 Not Found,\"text/html;a=1,b=2\",512,40,2\r\n");
    QTest::newRow("quotes") << "http://a.example/\"x\""
                            << "bad word in the title: \"cheap\"\""
                            << "" << true
                            << QByteArray("7,\"http://a.example/\"\"x\"\"\",refused,\"bad word in the title: "
                                          "\"\"cheap\"\"\"\"\",HTTP/1.1 404 Not Found,,512,40,2\r\n");
    QTest::newRow("line breaks") << "http://a.example/"
                                 << "fetch failed: one\r\ntwo\rthree\nfour"
                                 << "" << true
                                 << QByteArray(
                                        "7,http://a.example/,refused,\"fetch failed: "
                                        "one\r\ntwo\rthree\nfour\",HTTP/1.1 404 Not Found,,512,40,2\r\n");
    QTest::newRow("non-ASCII") << QString::fromUtf8("http://b\xC3\xBC"
                                                    "cher.example/\xE6\x97\xA5 \xF0\x9F\x98\x80")
                               << QString::fromUtf8("bad word in the title: gr\xC3\xBC"
                                                    "n")
                               << "" << true
                               << QByteArray("7,http://b\xC3\xBC"
                                             "cher.example/\xE6\x97\xA5 \xF0\x9F\x98\x80,"
                                             "refused,bad word in the title: gr\xC3\xBC"
                                             "n,HTTP/1.1 404 Not "
                                             "Found,,512,40,2\r\n");
    QTest::newRow("no numbers") << "http://c.example/"
                                << ""
                                << "" << false
                                << QByteArray("7,http://c.example/,refused,,HTTP/1.1 404 Not Found,,,,\r\n");
}

void RunOutcomesTest::reportQuotesFields()
{
    QFETCH(QString, url);
    QFETCH(QString, reason);
    QFETCH(QString, contentType);
    QFETCH(bool, numbers);
    QFETCH(QByteArray, line);

    RunReport::Line l;
    l.index = 7;
    l.url = url;
    l.outcome = "refused";
    l.reason = reason;
    l.statusLine = "HTTP/1.1 404 Not Found";
    l.contentType = contentType;
    if (numbers) {
        l.bytes = 512;
        l.milliseconds = 40;
        l.attempts = 2;
    }
    RunReport report;
    report.append(l);
    QVERIFY(report.save(m_folder.filePath("report.csv")).ok);
    QCOMPARE(readBytes(m_folder.filePath("report.csv")),
             "index,url,outcome,reason,status_line,content_type,bytes,milliseconds,attempts,link_back,"
             "link_back_evidence\r\n" +
                 line.chopped(2) + ",,\r\n"); // no site: the link-back fields are empty
}

// A text from the web that begins like a formula gets an apostrophe in front,
// so that a spreadsheet program opening the report shows it instead of running
// it; the rest of the text stays as it is.
void RunOutcomesTest::reportDisarmsFormulas_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<QString>("contentType");
    QTest::addColumn<bool>("numbers");
    QTest::addColumn<QByteArray>("line");

    QTest::newRow("formula") << "=HYPERLINK(\"http://x.example\")"
                             << "content type is not HTML: @SUM(1)"
                             << "-2+3" << true
                             << QByteArray(
                                    "7,\"'=HYPERLINK(\"\"http://x.example\"\")\",refused,content type is not "
                                    "HTML: @SUM(1),HTTP/1.1 404 Not Found,'-2+3,512,40,2\r\n");
    QTest::newRow("plus") << "+1-800-links"
                          << "reciprocal link not found"
                          << "text/html" << true
                          << QByteArray("7,'+1-800-links,refused,reciprocal link not found,HTTP/1.1 404 Not "
                                        "Found,text/html,512,40,2\r\n");
    QTest::newRow("tab") << "\thttp://t.example/"
                         << "reciprocal link not found"
                         << "text/html" << true
                         << QByteArray(
                                "7,'\thttp://t.example/,refused,reciprocal link not found,HTTP/1.1 404 Not "
                                "Found,text/html,512,40,2\r\n");
    QTest::newRow("carriage return, then quoted")
        << "http://r.example/"
        << "reciprocal link not found"
        << "\rtext/html" << true
        << QByteArray("7,http://r.example/,refused,reciprocal link not "
                      "found,HTTP/1.1 404 Not Found,\"'\rtext/html\",512,40,2\r\n");
    QTest::newRow("only at the start")
        << "http://a.example/x=1+2-3@4"
        << "reciprocal link not found"
        << "text/html" << true
        << QByteArray("7,http://a.example/x=1+2-3@4,refused,reciprocal link not "
                      "found,HTTP/1.1 404 Not Found,text/html,512,40,2\r\n");
}

void RunOutcomesTest::reportDisarmsFormulas()
{
    reportQuotesFields();
}

QTEST_GUILESS_MAIN(RunOutcomesTest)
#include "tst_runoutcomes.moc"
