#include "SilentServer.h"
#include "TestHttpServer.h"
#include "Version.h"
#include "filters/ListFile.h"
#include "settings/Settings.h"
#include "settings/SettingsFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QRandomGenerator>
#include <sqlite3.h>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

namespace {

const QByteArray kDelimiter = "|[@]|";

QByteArray page(const QByteArray& n)
{
    return "<html><head><title>Page " + n + "</title>\n<meta name=\"description\" content=\"About " + n +
           "\"></head><body>info@example.org</body></html>\n";
}

QByteArray row(const QList<QByteArray>& cells)
{
    return cells.join(kDelimiter) + "\r\n";
}

} // namespace

class TestBatchCommand : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void runWritesRowsInFileOrder_data();
    void runWritesRowsInFileOrder();
    void runWritesTheSettingsFileByDefault();
    void reportHasALinePerUrlInListOrder();
    void slowHostIsNamedAndGivenUpAtTheTimeout();
    void emptyListEnds_data();
    void emptyListEnds();
    void usageErrors_data();
    void usageErrors();
    void helpShowsUsage();
    void versionShowsNameAndVersion();
    void interruptFinishesTheUrlAtWorkAndWritesRows_data();
    void interruptFinishesTheUrlAtWorkAndWritesRows();
    void killedRunResumesToTheSameFile();
    void resumeRefuses_data();
    void resumeRefuses();
    void retryFailedVisitsOnlyTheFailedUrls();
    void faultyStoreIsReportedOnceAndTheRunGoesOn_data();
    void faultyStoreIsReportedOnceAndTheRunGoesOn();
    void testModePrintsVerdictAndFields_data();
    void testModePrintsVerdictAndFields();
    void interruptDuringTestEndsTheProgram();

private:
    QString program() const;
    QString url(int n) const { return m_server->url("/p" + QString::number(n)).toString(); }
    void writeFolder(bool emailOption = true);
    QString writeLinks(const QStringList& lines);
    // Runs the command to its end; its exit code, and standard error in err.
    int runBatch(const QStringList& arguments, QByteArray& err);
    QByteArray fileBytes(const QString& path) const;

    std::unique_ptr<TestHttpServer> m_server;
    std::unique_ptr<QTemporaryDir> m_dir;
};

QString TestBatchCommand::program() const
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/quillmark-batch");
}

void TestBatchCommand::init()
{
    m_server = std::make_unique<TestHttpServer>();
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    for (int i = 1; i <= 5; ++i)
        m_server->route("/p" + QString::number(i), TestHttpResponse::html(page(QByteArray::number(i))));
    TestHttpResponse missing = TestHttpResponse::html(page("2"));
    missing.status = 404;
    missing.reason = "Not Found";
    m_server->route("/p2", missing);
    writeFolder();
}

void TestBatchCommand::cleanup()
{
    m_server.reset();
    m_dir.reset();
}

void TestBatchCommand::writeFolder(bool emailOption)
{
    Settings settings;
    if (!emailOption)
        settings.setSelected(Key::EmailOption1, false);
    settings.setText(Key::BadWordsFile, QStringLiteral("badwords.txt"));
    settings.setText(Key::TestURL, url(4));
    QVERIFY(SaveSettings(settings, m_dir->filePath(QStringLiteral("links.ini"))).ok);
    QVERIFY(SaveListToFile(m_dir->filePath(QStringLiteral("headers.txt")), {QStringLiteral("200 OK")}).ok);
    QVERIFY(
        SaveListToFile(m_dir->filePath(QStringLiteral("badwords.txt")), {QStringLiteral("nothing-matches")})
            .ok);
}

QString TestBatchCommand::writeLinks(const QStringList& lines)
{
    const QString path = m_dir->filePath(QStringLiteral("links-to-visit.txt"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QString();
    file.write(lines.join(QStringLiteral("\n")).toUtf8() + "\n");
    return path;
}

// --verbose tells why the 404 page got no row; without it, nothing is said.
void TestBatchCommand::runWritesRowsInFileOrder_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<bool>("reasonShown");
    QTest::newRow("quiet") << QStringList() << false;
    QTest::newRow("verbose") << QStringList{QStringLiteral("--verbose")} << true;
}

void TestBatchCommand::runWritesRowsInFileOrder()
{
    QFETCH(QStringList, options);
    QFETCH(bool, reasonShown);
    // Not alphabetical, with blank lines: the file's order is the run's order.
    const QString links = writeLinks({url(3), QString(), url(1), QStringLiteral("   "), url(2)});
    const QString output = m_dir->filePath(QStringLiteral("out.txt"));
    QProcess process;
    process.start(program(), options + QStringList{QStringLiteral("--folder"), m_dir->path(),
                                                   QStringLiteral("--output"), output, links});
    QVERIFY(process.waitForFinished(20000));
    const QByteArray err = process.readAllStandardError();
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QVERIFY2(process.exitCode() == 0, err.constData());

    QFile file(output);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray expected = row({"1", "Page 3", "info@example.org", "About 3", url(3).toUtf8()}) +
                                row({"2", "Page 1", "info@example.org", "About 1", url(1).toUtf8()}) +
                                row({"", "", "", "", ""});
    QCOMPARE(file.readAll(), expected);
    QVERIFY(err.contains(" Processing: " + url(3).toUtf8()));
    QVERIFY(err.contains(" Processed: 3  Added: 2  100%"));
    QVERIFY(err.contains(" Done!"));
    QCOMPARE(m_server->requests().size(), 3);
    const QByteArray reason = "quillmark.analysis: refused: no accepted status code matches the status line "
                              "\"HTTP/1.1 404 Not Found\"\n";
    QVERIFY2(err.contains(reason) == reasonShown, err.constData());
    QCOMPARE(err.contains("quillmark."), reasonShown);
}

// Three connections, and the report: one line per URL in the file's order,
// whatever order the pages arrived in.
void TestBatchCommand::reportHasALinePerUrlInListOrder()
{
    TestHttpResponse slow = TestHttpResponse::html(page("3"));
    slow.headDelayMs = 300;
    m_server->route("/p3", slow);
    const QString links = writeLinks({url(3), url(2), QStringLiteral("http://127.0.0.1:1/x"), url(1)});
    const QString report = m_dir->filePath(QStringLiteral("report.csv"));
    QProcess process;
    process.start(program(), {QStringLiteral("--folder"), m_dir->path(), QStringLiteral("--connections"),
                              QStringLiteral("3"), QStringLiteral("--report"), report, links});
    QVERIFY(process.waitForFinished(20000));
    const QByteArray err = process.readAllStandardError();
    QVERIFY2(process.exitCode() == 0, err.constData());
    QVERIFY(err.contains(" 4 URLs reported in "));
    QVERIFY(err.contains(" Processed: 4  Added: 2  100%  "));
    QVERIFY(err.contains(" pages/s"));

    QFile file(report);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QList<QByteArray> lines = file.readAll().split('\n');
    QCOMPARE(lines.size(), 6);
    QCOMPARE(lines.takeLast(), QByteArray());
    QCOMPARE(lines.takeFirst(),
             QByteArray("index,url,outcome,reason,status_line,content_type,bytes,milliseconds,attempts,"
                        "link_back,link_back_evidence\r"));
    // The time of each fetch, the field before the attempts, varies; without a
    // site the link-back fields are empty.
    for (QByteArray& line : lines) {
        QVERIFY2(line.endsWith(",,\r"), line.constData());
        line.chop(3);
        const qsizetype last = line.lastIndexOf(',');
        const qsizetype before = line.lastIndexOf(',', last - 1);
        line.remove(before, last - before);
    }
    const QByteArray size = QByteArray::number(page("1").size());
    // libcurl words a refused connection its own way from one version to the
    // next: the line keeps what the report itself says around it.
    QVERIFY(lines.size() > 2 && lines[2].startsWith("3,http://127.0.0.1:1/x,failed,fetch failed: ") &&
            lines[2].endsWith(",,,0,1"));
    lines[2] = "3,http://127.0.0.1:1/x,failed,fetch failed: (libcurl's words),,,0,1";
    QCOMPARE(lines,
             (QList<QByteArray>{
                 "1," + url(3).toUtf8() + ",accepted,row 1,HTTP/1.1 200 OK,text/html; charset=utf-8," + size +
                     ",1",
                 "2," + url(2).toUtf8() +
                     ",refused,status line not accepted: HTTP/1.1 404 Not Found,HTTP/1.1 404 Not Found,"
                     "text/html; charset=utf-8," +
                     size + ",1",
                 "3,http://127.0.0.1:1/x,failed,fetch failed: (libcurl's words),,,0,1",
                 "4," + url(1).toUtf8() + ",accepted,row 2,HTTP/1.1 200 OK,text/html; charset=utf-8," + size +
                     ",1",
             }));
}

// A host that accepts the connection and never answers: the progress line
// says that a page waits on it, and --timeout (not the preferences' 20 s)
// ends the wait, while the page after it is done meanwhile.
void TestBatchCommand::slowHostIsNamedAndGivenUpAtTheTimeout()
{
    SilentServer silent(QHostAddress(QStringLiteral("127.0.0.2")));
    const QString links = writeLinks({silent.url(QStringLiteral("/d1")).toString(), url(1)});
    const QString report = m_dir->filePath(QStringLiteral("report.csv"));
    QProcess process;
    process.start(program(), {QStringLiteral("--folder"), m_dir->path(), QStringLiteral("--timeout"),
                              QStringLiteral("3"), QStringLiteral("--report"), report, links});
    QVERIFY(process.waitForFinished(20000));
    const QByteArray err = process.readAllStandardError();
    QVERIFY2(process.exitCode() == 0, err.constData());
    QVERIFY2(err.contains(" Processed: 0  Added: 0  0%  1 waiting on slow hosts\n"), err.constData());
    QVERIFY(err.contains(" Processed: 2  Added: 1  100%  "));
    QFile file(report);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    QVERIFY2(lines.at(1).startsWith("1," + silent.url(QStringLiteral("/d1")).toString().toUtf8() +
                                    ",failed,fetch failed: no answer within 3 s,,,0,"),
             lines.at(1).constData());
    QVERIFY(lines.at(1).endsWith(",1,,\r")); // one attempt; no site, so no link-back fields
}

void TestBatchCommand::runWritesTheSettingsFileByDefault()
{
    const QString links = writeLinks({url(1)});
    QProcess process;
    process.start(program(), {QStringLiteral("--folder"), m_dir->path(), links});
    QVERIFY(process.waitForFinished(20000));
    QCOMPARE(process.exitCode(), 0);
    QFile file(m_dir->filePath(QStringLiteral("database.txt")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().startsWith(row({"1", "Page 1", "info@example.org", "About 1", url(1).toUtf8()})));
}

// Nothing to visit: the run is over before the program's event loop starts,
// and the program must end all the same.
void TestBatchCommand::emptyListEnds_data()
{
    QTest::addColumn<QByteArray>("links");
    QTest::newRow("empty file") << QByteArray();
    QTest::newRow("blank lines only") << QByteArray("\n   \r\n\t\n");
}

void TestBatchCommand::emptyListEnds()
{
    QFETCH(QByteArray, links);
    const QString path = m_dir->filePath(QStringLiteral("links-to-visit.txt"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(links);
    file.close();
    const QString output = m_dir->filePath(QStringLiteral("out.txt"));
    QProcess process;
    process.start(program(),
                  {QStringLiteral("--folder"), m_dir->path(), QStringLiteral("--output"), output, path});
    QVERIFY2(process.waitForFinished(10000), "the program did not end");
    const QByteArray err = process.readAllStandardError();
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QVERIFY2(process.exitCode() == 0, err.constData());
    QVERIFY2(err.contains(" Done!\n 0 rows written to "), err.constData());
    QVERIFY(QFile::exists(output));
    QCOMPARE(m_server->requests().size(), 0);
}

void TestBatchCommand::usageErrors_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");
    QTest::newRow("no links file") << QStringList{QStringLiteral("--folder"), QStringLiteral("@DIR@")}
                                   << "no links file given";
    QTest::newRow("missing links file")
        << QStringList{QStringLiteral("--folder"), QStringLiteral("@DIR@"), QStringLiteral("@DIR@/nope.txt")}
        << "cannot read the links file";
    QTest::newRow("missing folder") << QStringList{QStringLiteral("--folder"), QStringLiteral("@DIR@/absent"),
                                                   QStringLiteral("@LINKS@")}
                                    << "does not exist";
    QTest::newRow("unwritable output")
        << QStringList{QStringLiteral("--folder"), QStringLiteral("@DIR@"), QStringLiteral("--output"),
                       QStringLiteral("@DIR@/no/such/folder/out.txt"), QStringLiteral("@LINKS@")}
        << "cannot write";
    QTest::newRow("output is a folder")
        << QStringList{QStringLiteral("--folder"), QStringLiteral("@DIR@"), QStringLiteral("--output"),
                       QStringLiteral("@DIR@"), QStringLiteral("@LINKS@")}
        << "it is a folder";
    QTest::newRow("unknown option") << QStringList{QStringLiteral("--fast"), QStringLiteral("@LINKS@")}
                                    << "Unknown option";
    QTest::newRow("no connection") << QStringList{QStringLiteral("--connections"), QStringLiteral("0"),
                                                  QStringLiteral("--folder"), QStringLiteral("@DIR@"),
                                                  QStringLiteral("@LINKS@")}
                                   << "--connections takes a whole number from 1 to 32, not \"0\"";
    QTest::newRow("time-out too short")
        << QStringList{QStringLiteral("--timeout"), QStringLiteral("1"), QStringLiteral("--folder"),
                       QStringLiteral("@DIR@"), QStringLiteral("@LINKS@")}
        << "--timeout takes a whole number of seconds from 2 to 120, not \"1\"";
    QTest::newRow("time-out with a unit")
        << QStringList{QStringLiteral("--timeout"), QStringLiteral("20s"), QStringLiteral("--folder"),
                       QStringLiteral("@DIR@"), QStringLiteral("@LINKS@")}
        << "--timeout takes a whole number of seconds from 2 to 120, not \"20s\"";
    QTest::newRow("not a site") << QStringList{QStringLiteral("--folder"), QStringLiteral("@DIR@"),
                                               QStringLiteral("--my-site"), QStringLiteral("exa mple.com"),
                                               QStringLiteral("@LINKS@")}
                                << "--my-site: \"exa mple.com\" is not a host name or a web address.";
    QTest::newRow("recheck without a site")
        << QStringList{QStringLiteral("--folder"), QStringLiteral("@DIR@"), QStringLiteral("--recheck"),
                       QStringLiteral("@LINKS@")}
        << "--recheck needs your site";
    QTest::newRow("fail-on-lost without recheck")
        << QStringList{QStringLiteral("--folder"), QStringLiteral("@DIR@"), QStringLiteral("--fail-on-lost"),
                       QStringLiteral("@LINKS@")}
        << "--fail-on-lost has a use only with --recheck";
    QTest::newRow("unwritable report")
        << QStringList{QStringLiteral("--folder"), QStringLiteral("@DIR@"), QStringLiteral("--report"),
                       QStringLiteral("@DIR@/no/such/folder/r.csv"), QStringLiteral("@LINKS@")}
        << "cannot write";
}

void TestBatchCommand::usageErrors()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    const QString links = writeLinks({url(1)});
    for (QString& a : arguments)
        a.replace(QStringLiteral("@DIR@"), m_dir->path()).replace(QStringLiteral("@LINKS@"), links);
    QProcess process;
    process.start(program(), arguments);
    QVERIFY(process.waitForFinished(20000));
    const QString err = QString::fromLocal8Bit(process.readAllStandardError());
    QCOMPARE(process.exitCode(), 2);
    QVERIFY2(err.contains(message), qPrintable(err));
    QCOMPARE(m_server->requests().size(), 0); // nothing fetched before the error
}

void TestBatchCommand::helpShowsUsage()
{
    QProcess process;
    process.start(program(), {QStringLiteral("--help")});
    QVERIFY(process.waitForFinished(20000));
    QCOMPARE(process.exitCode(), 0);
    const QByteArray out = process.readAllStandardOutput();
    for (const char* section : {"NAME", "SYNOPSIS", "DESCRIPTION", "OPTIONS", "EXIT STATUS"})
        QVERIFY2(out.contains("\n" + QByteArray(section) + "\n") || out.startsWith(section), section);
    QVERIFY(out.contains("    --version\n"));
}

void TestBatchCommand::versionShowsNameAndVersion()
{
    QProcess process;
    process.start(program(), {QStringLiteral("--version")});
    QVERIFY(process.waitForFinished(20000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 0);
    QCOMPARE(process.readAllStandardOutput(), QByteArray("quillmark-batch " QUILLMARK_VERSION_TEXT "\n"));
    QCOMPARE(process.readAllStandardError(), QByteArray());
}

int TestBatchCommand::runBatch(const QStringList& arguments, QByteArray& err)
{
    QProcess process;
    process.start(program(), QStringList{QStringLiteral("--folder"), m_dir->path()} + arguments);
    if (!process.waitForFinished(30000))
        return -1;
    err = process.readAllStandardError();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

QByteArray TestBatchCommand::fileBytes(const QString& path) const
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

// The terminal closing (SIGHUP) stops the run as Ctrl-C and SIGTERM do.
void TestBatchCommand::interruptFinishesTheUrlAtWorkAndWritesRows_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("SIGINT") << int(SIGINT);
    QTest::newRow("SIGHUP") << int(SIGHUP);
}

void TestBatchCommand::interruptFinishesTheUrlAtWorkAndWritesRows()
{
    QFETCH(int, signalNumber);
    TestHttpResponse slow = TestHttpResponse::html(page("1"));
    slow.headDelayMs = 500;
    m_server->route("/p1", slow);
    const QString links = writeLinks({url(1), url(3), url(4), url(5)});
    const QString output = m_dir->filePath(QStringLiteral("out.txt"));
    const QString report = m_dir->filePath(QStringLiteral("report.csv"));
    QProcess process;
    process.start(program(), {QStringLiteral("--folder"), m_dir->path(), QStringLiteral("--output"), output,
                              QStringLiteral("--report"), report, links});
    QVERIFY(process.waitForStarted());
    QTRY_COMPARE(m_server->requestCount("/p1"), 1);
    ::kill(pid_t(process.processId()), signalNumber);
    QVERIFY(process.waitForFinished(20000));
    const QByteArray err = process.readAllStandardError();
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QVERIFY2(process.exitCode() == 0, err.constData());
    QVERIFY(err.contains(" Process was killed by Stop button!"));

    QFile file(output);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), row({"1", "Page 1", "info@example.org", "About 1", url(1).toUtf8()}) +
                                 row({"", "", "", "", ""}));
    // The pages fetched ahead of the stop count for nothing.
    QFile reportFile(report);
    QVERIFY(reportFile.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = reportFile.readAll().split('\n');
    QCOMPARE(lines.size(), 6);
    QVERIFY(lines.at(1).startsWith("1," + url(1).toUtf8() + ",accepted,row 1,"));
    QCOMPARE(lines.at(2), "2," + url(3).toUtf8() + ",not reached,,,,,,,,\r");
    QCOMPARE(lines.at(4), "4," + url(5).toUtf8() + ",not reached,,,,,,,,\r");
    // The run is kept as stopped, not as done: --resume goes on with it.
    QByteArray resumed;
    QCOMPARE(runBatch({QStringLiteral("--resume"), QStringLiteral("--output"), output, links}, resumed), 0);
    QVERIFY2(resumed.contains(", going on at 2"), resumed.constData());
}

// A run killed outright (SIGKILL: no chance to write anything) at a random
// moment, then resumed, writes the very file an uninterrupted run writes: the
// rows made before the kill come back from the journal, numbered as they were,
// and the rest are numbered on.
void TestBatchCommand::killedRunResumesToTheSameFile()
{
    QStringList urls;
    for (int i = 1; i <= 40; ++i) {
        const QByteArray path = "/k" + QByteArray::number(i);
        TestHttpResponse response = TestHttpResponse::html(page(QByteArray::number(i)));
        response.headDelayMs = 15;
        if (i % 6 == 0) { // some pages get no row
            response.status = 404;
            response.reason = "Not Found";
        }
        m_server->route(path, response);
        urls.append(m_server->url(QString::fromLatin1(path)).toString());
    }
    const QString links = writeLinks(urls);
    const QString reference = m_dir->filePath(QStringLiteral("reference.txt"));
    QByteArray err;
    QCOMPARE(runBatch({QStringLiteral("--connections"), QStringLiteral("1"), QStringLiteral("--output"), reference,
                       links},
                      err),
             0);
    QVERIFY(fileBytes(reference).startsWith(row({"1", "Page 1", "info@example.org", "About 1", urls[0].toUtf8()})));

    const QString output = m_dir->filePath(QStringLiteral("out.txt"));
    for (int round = 0; round < 4; ++round) {
        QFile::remove(output);
        m_server->clearRequests();
        QProcess process;
        process.start(program(), {QStringLiteral("--folder"), m_dir->path(), QStringLiteral("--connections"),
                                  QStringLiteral("1"), QStringLiteral("--output"), output, links});
        QVERIFY(process.waitForStarted());
        const int atRequest = 12 + QRandomGenerator::global()->bounded(25);
        QTRY_VERIFY_WITH_TIMEOUT(m_server->requests().size() >= atRequest, 20000);
        QTest::qWait(QRandomGenerator::global()->bounded(15));
        process.kill();
        QVERIFY(process.waitForFinished(5000));
        const int killedAt = int(m_server->requests().size());
        QVERIFY2(!QFile::exists(output), "a killed run writes no rows");

        QCOMPARE(runBatch({QStringLiteral("--resume"), QStringLiteral("--output"), output, links}, err), 0);
        QVERIFY2(err.contains(" Done!"), err.constData());
        QVERIFY2(err.contains(", going on at "), err.constData());
        QCOMPARE(fileBytes(output), fileBytes(reference));
        // The resumed run went on where the journal was, not from the top.
        QVERIFY2(m_server->requests().size() < 40 + killedAt, qPrintable(QString::number(killedAt)));
    }
}

void TestBatchCommand::resumeRefuses_data()
{
    QTest::addColumn<bool>("runFirst");
    QTest::addColumn<QByteArray>("changedLinks");
    QTest::addColumn<QByteArray>("message");
    QTest::newRow("no stored run") << false << QByteArray() << QByteArray("cannot resume: no run of ");
    QTest::newRow("the list changed") << true << QByteArray("http://127.0.0.1:1/new\n")
                                      << QByteArray("has changed since its run of ");
    QTest::newRow("the run went through") << true << QByteArray() << QByteArray("went through the whole list");
}

void TestBatchCommand::resumeRefuses()
{
    QFETCH(bool, runFirst);
    QFETCH(QByteArray, changedLinks);
    QFETCH(QByteArray, message);
    const QString links = writeLinks({url(1), url(3)});
    const QString output = m_dir->filePath(QStringLiteral("out.txt"));
    QByteArray err;
    if (runFirst)
        QCOMPARE(runBatch({QStringLiteral("--output"), output, links}, err), 0);
    if (!changedLinks.isEmpty()) {
        QFile file(links);
        QVERIFY(file.open(QIODevice::Append));
        file.write(changedLinks);
    }
    QFile::remove(output);
    QCOMPARE(runBatch({QStringLiteral("--resume"), QStringLiteral("--output"), output, links}, err), 2);
    QVERIFY2(err.startsWith("quillmark-batch: cannot resume: "), err.constData());
    QVERIFY2(err.contains(message), err.constData());
    QVERIFY(!QFile::exists(output));
}

// Only the fetch that failed and the server's 5xx are visited again; the
// page the checks refused (404) is not.
void TestBatchCommand::retryFailedVisitsOnlyTheFailedUrls()
{
    TestHttpResponse busy = TestHttpResponse::html(page("4"));
    busy.status = 500;
    busy.reason = "Internal Server Error";
    m_server->route("/p4", busy);
    const QString refusedPort = QStringLiteral("http://127.0.0.1:1/x");
    const QString links = writeLinks({url(1), url(2), refusedPort, url(4)});
    const QString output = m_dir->filePath(QStringLiteral("out.txt"));
    QByteArray err;
    QCOMPARE(runBatch({QStringLiteral("--output"), output, links}, err), 0);
    QVERIFY(err.contains(" Processed: 4  Added: 1  100%"));

    m_server->route("/p4", TestHttpResponse::html(page("4")));
    m_server->clearRequests();
    QCOMPARE(runBatch({QStringLiteral("--retry-failed"), QStringLiteral("--output"), output, links}, err), 0);
    QVERIFY2(err.contains(" 2 URLs from "), err.constData());
    QCOMPARE(m_server->requestCount("/p2"), 0);
    QCOMPARE(m_server->requestCount("/p1"), 0);
    QCOMPARE(fileBytes(output), row({"1", "Page 4", "info@example.org", "About 4", url(4).toUtf8()}) +
                                    row({"", "", "", "", ""}));
}

// A store that cannot be used costs the run nothing but one line on standard
// error; a damaged one is moved aside, never deleted.
void TestBatchCommand::faultyStoreIsReportedOnceAndTheRunGoesOn_data()
{
    QTest::addColumn<bool>("locked");
    QTest::addColumn<QByteArray>("message");
    QTest::newRow("damaged") << false << QByteArray("was damaged. It was moved aside as ");
    QTest::newRow("locked") << true << QByteArray("is locked by another program. Runs are not journaled.");
}

void TestBatchCommand::faultyStoreIsReportedOnceAndTheRunGoesOn()
{
    QFETCH(bool, locked);
    QFETCH(QByteArray, message);
    const QString storePath = m_dir->filePath(QStringLiteral("runs.sqlite"));
    const QString links = writeLinks({url(1)});
    const QString output = m_dir->filePath(QStringLiteral("out.txt"));
    QByteArray err;
    sqlite3* other = nullptr;
    if (locked) {
        QCOMPARE(runBatch({QStringLiteral("--output"), output, links}, err), 0); // makes the store
        QCOMPARE(sqlite3_open(storePath.toUtf8().constData(), &other), SQLITE_OK);
        QCOMPARE(sqlite3_exec(other, "PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE; SELECT count(*) FROM runs",
                              nullptr, nullptr, nullptr),
                 SQLITE_OK);
    } else {
        QFile file(storePath);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(8192, 'x'));
    }
    const int code = runBatch({QStringLiteral("--output"), output, links}, err);
    if (other)
        sqlite3_close(other);
    QVERIFY2(code == 0, err.constData());
    QCOMPARE(err.count(message), 1);
    QVERIFY(err.contains("quillmark-batch: warning: The run journal "));
    QCOMPARE(fileBytes(output), row({"1", "Page 1", "info@example.org", "About 1", url(1).toUtf8()}) +
                                    row({"", "", "", "", ""}));
    QCOMPARE(QDir(m_dir->path()).entryList({QStringLiteral("runs.sqlite.broken-*")}).size(), locked ? 0 : 1);
}

void TestBatchCommand::testModePrintsVerdictAndFields_data()
{
    QTest::addColumn<bool>("emailOption");
    QTest::addColumn<QByteArray>("emailLine");
    QTest::newRow("the page's e-mail") << true << QByteArray("Email: info@example.org");
    // As the window's test frame: the e-mail box starts with its initial text
    // and keeps it when no e-mail option is selected.
    QTest::newRow("no e-mail option: the box's initial text") << false << QByteArray("Email: email");
}

void TestBatchCommand::testModePrintsVerdictAndFields()
{
    QFETCH(bool, emailOption);
    QFETCH(QByteArray, emailLine);
    writeFolder(emailOption);
    QProcess process;
    process.start(program(), {QStringLiteral("--test"), QStringLiteral("--folder"), m_dir->path()});
    QVERIFY(process.waitForFinished(20000));
    QCOMPARE(process.exitCode(), 0);
    const QList<QByteArray> lines = process.readAllStandardOutput().split('\n');
    QCOMPARE(lines.value(0),
             QByteArray("Verdict: 200 OK header found! We will try to add this URL to tab 4. "
                        "Content-Type: text/html found! We will try to add this URL to tab 4."));
    QCOMPARE(lines.value(1), QByteArray("Title: Page 4"));
    QCOMPARE(lines.value(2), emailLine);
    QCOMPARE(lines.value(3), QByteArray("Description: About 4"));
    QCOMPARE(m_server->requestCount("/p4"), 1);
}

// A test has no stop of its own: a signal while its page is on the way ends
// the program, rather than being swallowed until the fetch gives up.
void TestBatchCommand::interruptDuringTestEndsTheProgram()
{
    TestHttpResponse stalled;
    stalled.silent = true;
    m_server->route("/p4", stalled);
    QProcess process;
    process.start(program(), {QStringLiteral("--test"), QStringLiteral("--folder"), m_dir->path()});
    QVERIFY(process.waitForStarted());
    QTRY_COMPARE(m_server->requestCount("/p4"), 1);
    ::kill(pid_t(process.processId()), SIGTERM);
    QVERIFY2(process.waitForFinished(10000), "the program did not end");
    QCOMPARE(process.readAllStandardOutput(), QByteArray());
}

QTEST_GUILESS_MAIN(TestBatchCommand)
#include "tst_batchcommand.moc"
