#include "TestHttpServer.h"
#include "filters/ListFile.h"
#include "settings/Settings.h"
#include "settings/SettingsFile.h"
#include "store/RunStore.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <memory>
#include <optional>

namespace {

QByteArray partnerPage(const QByteArray& link, const QByteArray& head = {})
{
    return "<html><head><title>Partner</title>" + head + "</head><body><p>Friends:</p>" + link +
           "</body></html>\n";
}

const QByteArray kFollowed = R"(<a href="https://example.com/">Example</a>)";
const QByteArray kNofollow = R"(<a href="https://example.com/" rel="nofollow">Example</a>)";

// A partner's page as it was at the first re-check and as it is at the last.
struct Phases
{
    TestHttpResponse before;
    TestHttpResponse after;
    QByteArray robotsAfter;                  // the host's robots.txt at the last re-check; none before
    std::optional<TestHttpResponse> between; // the page at a re-check in between
};

} // namespace

Q_DECLARE_METATYPE(Phases)

// quillmark-batch with the user's site set: the proof in the run report, the
// refusal of pages without a followed link back, and the re-check of
// partners' links between two runs.
class TestLinkBackCommand : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void reportGivesTheVerdictOfEachPage_data();
    void reportGivesTheVerdictOfEachPage();
    void recheckTellsWhatChanged_data();
    void recheckTellsWhatChanged();
    void failOnLostEndsWithThree_data();
    void failOnLostEndsWithThree();
    void robotsGroupOfTheSearchEngine_data();
    void robotsGroupOfTheSearchEngine();

private:
    QString program() const
    {
        return QCoreApplication::applicationDirPath() + QStringLiteral("/quillmark-batch");
    }
    QString url(const char* path) const { return m_server->url(QString::fromLatin1(path)).toString(); }
    QString writeLinks(const QStringList& lines);
    QByteArray run(const QStringList& arguments, int* exitCode, QByteArray* err = nullptr);

    std::unique_ptr<TestHttpServer> m_server;
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestLinkBackCommand::init()
{
    m_server = std::make_unique<TestHttpServer>();
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    Settings settings;
    settings.setText(Key::BadWordsFile, QStringLiteral("badwords.txt"));
    QVERIFY(SaveSettings(settings, m_dir->filePath(QStringLiteral("links.ini"))).ok);
    QVERIFY(SaveListToFile(m_dir->filePath(QStringLiteral("headers.txt")), {QStringLiteral("200 OK")}).ok);
}

void TestLinkBackCommand::cleanup()
{
    m_server.reset();
    m_dir.reset();
}

QString TestLinkBackCommand::writeLinks(const QStringList& lines)
{
    const QString path = m_dir->filePath(QStringLiteral("partners.txt"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QString();
    file.write(lines.join(u'\n').toUtf8() + "\n");
    return path;
}

QByteArray TestLinkBackCommand::run(const QStringList& arguments, int* exitCode, QByteArray* err)
{
    QProcess process;
    process.start(program(), QStringList{QStringLiteral("--folder"), m_dir->path()} + arguments);
    if (!process.waitForFinished(20000))
        return "the program did not end";
    *exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    if (err)
        *err = process.readAllStandardError();
    return process.readAllStandardOutput();
}

// The rows of the usual checks stay as they are; only "accept only followed"
// refuses a page, and then with the verdict as the reason.
void TestLinkBackCommand::reportGivesTheVerdictOfEachPage_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QByteArray>("second");
    QTest::newRow("verdict beside the usual outcome") << QStringList() << QByteArray("accepted,row 2");
    QTest::newRow("accept only followed: the verdict is the reason")
        << QStringList{QStringLiteral("--accept-only-followed")} << QByteArray("refused,link back: nofollow");
}

void TestLinkBackCommand::reportGivesTheVerdictOfEachPage()
{
    QFETCH(QStringList, options);
    QFETCH(QByteArray, second);
    m_server->route("/f", TestHttpResponse::html(partnerPage(kFollowed)));
    m_server->route("/n", TestHttpResponse::html(partnerPage(kNofollow)));
    // Only a 2xx HTML page is read, XHTML as HTML.
    m_server->route("/x", TestHttpResponse::html(partnerPage(kFollowed), "application/xhtml+xml"));
    TestHttpResponse gone = TestHttpResponse::html(partnerPage(kFollowed));
    gone.status = 410;
    gone.reason = "Gone";
    m_server->route("/g", gone);
    m_server->route("/p", TestHttpResponse::html("%PDF-1.4 " + kFollowed, "application/pdf"));
    const QString report = m_dir->filePath(QStringLiteral("report.csv"));
    int code = 0;
    QByteArray err;
    run(options + QStringList{QStringLiteral("--my-site"), QStringLiteral("example.com"),
                              QStringLiteral("--report"), report, QStringLiteral("--output"),
                              m_dir->filePath(QStringLiteral("out.txt")),
                              writeLinks({url("/f"), url("/n"), url("/x"), url("/g"), url("/p")})},
        &code, &err);
    QVERIFY2(code == 0, err.constData());
    QFile file(report);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QList<QByteArray> lines = file.readAll().split('\n');
    QCOMPARE(lines.size(), 7);
    QVERIFY2(lines[3].endsWith(",followed,\"<a href=\"\"https://example.com/\"\">Example</a>\"\r"),
             lines[3].constData());
    QVERIFY2(lines[4].endsWith(",page gone,\r"), lines[4].constData());
    QVERIFY2(lines[5].endsWith(",not a web page,\r"), lines[5].constData());
    // The milliseconds vary: that field goes.
    const auto withoutTime = [](QByteArray line) {
        QList<QByteArray> fields = line.split(',');
        fields.removeAt(7);
        return fields.join(',');
    };
    const QByteArray size = QByteArray::number(partnerPage(kFollowed).size());
    const QByteArray sizeN = QByteArray::number(partnerPage(kNofollow).size());
    QCOMPARE(lines[0],
             QByteArray("index,url,outcome,reason,status_line,content_type,bytes,milliseconds,attempts,"
                        "link_back,link_back_evidence\r"));
    QCOMPARE(withoutTime(lines[1]), "1," + url("/f").toUtf8() +
                                        ",accepted,row 1,HTTP/1.1 200 OK,text/html; charset=utf-8," + size +
                                        ",1,followed,\"<a href=\"\"https://example.com/\"\">Example</a>\"\r");
    QCOMPARE(withoutTime(lines[2]), "2," + url("/n").toUtf8() + "," + second +
                                        ",HTTP/1.1 200 OK,text/html; charset=utf-8," + sizeN +
                                        ",1,nofollow,\"<a href=\"\"https://example.com/\"\" "
                                        "rel=\"\"nofollow\"\">Example</a>\"\r");
    // One robots.txt for the one host.
    QCOMPARE(m_server->requestCount(QStringLiteral("/robots.txt")), 1);

    // The run store keeps the deciding link itself, not only its markup.
    RunStore store(m_dir->filePath(QStringLiteral("runs.sqlite")));
    const UrlRecord first = store.queries().outcomes(store.queries().runs(1).value(0).id).value(0);
    QVERIFY(first.linkBack);
    QCOMPARE(QStringList({first.linkBack->anchorText, first.linkBack->target, first.linkBack->finalUrl,
                          first.linkBack->source}),
             QStringList({"Example", "https://example.com/", url("/f"), "html"}));
}

void TestLinkBackCommand::recheckTellsWhatChanged_data()
{
    QTest::addColumn<Phases>("phases");
    QTest::addColumn<QString>("change");
    QTest::addColumn<QString>("verdict"); // today's, and the one before
    QTest::addColumn<int>("secondRunFetches");
    QTest::addColumn<QString>("summary");
    QTest::addColumn<bool>("batchFirst"); // the first check is a batch run's, not a re-check's

    const TestHttpResponse followed = TestHttpResponse::html(partnerPage(kFollowed));
    const TestHttpResponse nofollow = TestHttpResponse::html(partnerPage(kNofollow));
    const TestHttpResponse none = TestHttpResponse::html(partnerPage("<p>no more</p>"));
    TestHttpResponse gone = TestHttpResponse::notFound();
    TestHttpResponse busy = TestHttpResponse::html("busy");
    busy.status = 503;
    busy.reason = "Service Unavailable";
    QTest::newRow("kept") << Phases{followed, followed} << "kept"
                          << "followed (was followed" << 1 << "1 partner: 1 kept" << false;
    QTest::newRow("new") << Phases{nofollow, followed} << "new"
                         << "followed (was nofollow" << 1 << "1 partner: 1 new" << false;
    QTest::newRow("moved") << Phases{followed, TestHttpResponse::redirect(301, "/moved-here")} << "moved"
                           << "followed (was followed" << 1 << "1 partner: 1 moved" << false;
    // Tried once more before it is said.
    QTest::newRow("lost") << Phases{followed, none} << "lost"
                          << "no link (was followed" << 2 << "1 partner: 1 lost" << false;
    QTest::newRow("now nofollow") << Phases{followed, nofollow} << "now nofollow"
                                  << "nofollow (was followed" << 1 << "1 partner: 1 now nofollow" << false;
    QTest::newRow("now noindex") << Phases{followed,
                                           TestHttpResponse::html(partnerPage(
                                               kFollowed, R"(<meta name="robots" content="noindex">)"))}
                                 << "now noindex"
                                 << "noindex (was followed" << 1 << "1 partner: 1 now noindex" << false;
    QTest::newRow("now blocked") << Phases{followed, followed, "User-agent: *\nDisallow: /partner\n"}
                                 << "now blocked"
                                 << "blocked by robots.txt (was followed" << 1 << "1 partner: 1 now blocked"
                                 << false;
    QTest::newRow("page gone") << Phases{followed, gone} << "page gone"
                               << "HTTP/1.1 404 Not Found (was followed" << 1 << "1 partner: 1 gone" << false;
    QTest::newRow("not a web page") << Phases{followed, TestHttpResponse::html("%PDF-1.4", "application/pdf")}
                                    << "page gone"
                                    << "not a web page (was followed" << 1 << "1 partner: 1 gone" << false;
    // A 503 without Retry-After is asked again once by the fetch itself, and
    // the re-check tries the page a second time: four requests in all.
    QTest::newRow("unreachable") << Phases{followed, busy} << "unreachable"
                                 << "HTTP/1.1 503 Service Unavailable (was followed" << 4
                                 << "1 partner: 1 unreachable" << false;
    // The verdict a batch run journaled is the previous one as well.
    QTest::newRow("now nofollow since a batch run")
        << Phases{followed, nofollow} << "now nofollow"
        << "nofollow (was followed" << 1 << "1 partner: 1 now nofollow" << true;
    // A state that did not change is no news, and no loss.
    QTest::newRow("still nofollow") << Phases{nofollow, nofollow} << "still nofollow"
                                    << "nofollow (was nofollow" << 1
                                    << "1 partner: 1 unchanged without a followed link" << false;
    QTest::newRow("still no link") << Phases{none, none} << "still no link"
                                   << "no link (was no link" << 1
                                   << "1 partner: 1 unchanged without a followed link" << false;
    // A check that found the page gone says nothing of the link: the one
    // before it counts.
    QTest::newRow("kept past a gone page") << Phases{followed, followed, {}, gone} << "kept"
                                           << "followed (was followed" << 1 << "1 partner: 1 kept" << false;
}

void TestLinkBackCommand::recheckTellsWhatChanged()
{
    QFETCH(Phases, phases);
    QFETCH(QString, change);
    QFETCH(QString, verdict);
    QFETCH(int, secondRunFetches);
    QFETCH(QString, summary);
    QFETCH(bool, batchFirst);
    // 0: the first check, 1: the one in between, 2: the last.
    auto phase = std::make_shared<std::atomic<int>>(0);
    m_server->route("/partner", [phases, phase](const TestHttpRequest&) {
        const int now = phase->load();
        return now == 0 ? phases.before : now == 1 ? *phases.between : phases.after;
    });
    m_server->route("/robots.txt", [phases, phase](const TestHttpRequest&) {
        return phase->load() == 2 && !phases.robotsAfter.isEmpty()
                   ? TestHttpResponse::html(phases.robotsAfter, "text/plain")
                   : TestHttpResponse::notFound();
    });
    m_server->route("/moved-here", TestHttpResponse::html(partnerPage(kFollowed)));
    const QString links = writeLinks({url("/partner")});
    const QStringList arguments{QStringLiteral("--my-site"), QStringLiteral("example.com"),
                                QStringLiteral("--recheck"), links};
    int code = -1;
    QByteArray err;
    const QByteArray first =
        batchFirst ? run({QStringLiteral("--my-site"), QStringLiteral("example.com"),
                          QStringLiteral("--output"), m_dir->filePath(QStringLiteral("out.txt")), links},
                         &code, &err)
                   : run(arguments, &code, &err);
    QVERIFY2(code == 0, err.constData());
    if (phases.between) {
        phase->store(1);
        run(arguments, &code, &err);
        QVERIFY2(code == 0, err.constData());
    }
    const int firstFetches = m_server->requestCount(QStringLiteral("/partner"));

    phase->store(2);
    const QByteArray second = run(arguments, &code, &err);
    QVERIFY2(code == 0, err.constData());
    const QList<QByteArray> lines = second.split('\n');
    // The change, the address, today's verdict and the one before, with its
    // date, as the run store kept it from the first check.
    QVERIFY2(lines.value(0).startsWith(change.toUtf8() + '\t' + url("/partner").toUtf8() + '\t' +
                                       verdict.toUtf8() + " on 20"),
             second.constData());
    QCOMPARE(lines.value(1), summary.toUtf8());
    QCOMPARE(m_server->requestCount(QStringLiteral("/partner")) - firstFetches, secondRunFetches);
    QVERIFY(batchFirst || !first.isEmpty());
}

void TestLinkBackCommand::failOnLostEndsWithThree_data()
{
    QTest::addColumn<bool>("failOnLost");
    QTest::addColumn<bool>("linkGoes"); // the followed link is gone at the second re-check
    QTest::addColumn<int>("exitCode");
    QTest::newRow("lost links are only reported") << false << true << 0;
    QTest::newRow("--fail-on-lost") << true << true << 3;
    QTest::newRow("a partner that never linked is no loss") << true << false << 0;
}

void TestLinkBackCommand::failOnLostEndsWithThree()
{
    QFETCH(bool, failOnLost);
    QFETCH(bool, linkGoes);
    QFETCH(int, exitCode);
    auto second = std::make_shared<std::atomic<bool>>(false);
    m_server->route("/f", [second, linkGoes](const TestHttpRequest&) {
        return TestHttpResponse::html(partnerPage(second->load() && linkGoes ? "<p>gone</p>" : kFollowed));
    });
    m_server->route("/none", TestHttpResponse::html(partnerPage("<p>no link</p>")));
    // A results file in the settings' format: the partners are its URL cells.
    const QString results = m_dir->filePath(QStringLiteral("database.txt"));
    QFile file(results);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("1|[@]|A|[@]||[@]||[@]|" + url("/f").toUtf8() + "\r\n2|[@]|B|[@]||[@]||[@]|" +
               url("/none").toUtf8() + "\r\n");
    file.close();
    const QString report = m_dir->filePath(QStringLiteral("recheck.csv"));
    QStringList arguments{QStringLiteral("--my-site"), QStringLiteral("https://example.com/"),
                          QStringLiteral("--recheck"), results,
                          QStringLiteral("--report"),  report};
    if (failOnLost)
        arguments.append(QStringLiteral("--fail-on-lost"));
    int code = -1;
    const QByteArray out = run(arguments, &code);
    QCOMPARE(code, 0);
    // A first check is news, in list order, and no loss.
    QVERIFY2(out.startsWith("first check\t" + url("/f").toUtf8() + "\tfollowed\nfirst check\t" +
                            url("/none").toUtf8() + "\tno link\n"),
             out.constData());
    QVERIFY(out.endsWith("2 partners: 2 first checks\n"));
    QFile csv(report);
    QVERIFY(csv.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = csv.readAll().split('\n');
    QCOMPARE(lines.value(0), QByteArray("url,change,link_back,previous_link_back,previous_checked,final_url,"
                                        "status_line,attempts,link_back_evidence\r"));
    QCOMPARE(lines.value(2), url("/none").toUtf8() + ",first check,no link,,," + url("/none").toUtf8() +
                                 ",HTTP/1.1 200 OK,1,\r");
    // The results file is only read.
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().startsWith("1|[@]|A|"));

    second->store(true);
    const QByteArray again = run(arguments, &code);
    QCOMPARE(code, exitCode);
    QVERIFY2(again.endsWith(linkGoes ? "2 partners: 1 lost, 1 unchanged without a followed link\n"
                                     : "2 partners: 1 kept, 1 unchanged without a followed link\n"),
             again.constData());
}

// A link counts when a search engine may read its page: the group of its
// crawler decides, Googlebot unless the options or the preferences name another.
void TestLinkBackCommand::robotsGroupOfTheSearchEngine_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QByteArray>("preferences");
    QTest::addColumn<QByteArray>("line");

    const QByteArray followed = "Link back: followed \xE2\x80\x94 " + kFollowed;
    QTest::newRow("Googlebot") << QStringList() << QByteArray()
                               << QByteArray(
                                      "Link back: blocked by robots.txt \xE2\x80\x94 User-agent: Googlebot, "
                                      "Disallow: /links/");
    QTest::newRow("--robots-agent") << QStringList{QStringLiteral("--robots-agent"),
                                                   QStringLiteral("bingbot")}
                                    << QByteArray() << followed;
    QTest::newRow("RobotsAgent") << QStringList() << QByteArray("[LinkBack]\r\nRobotsAgent=Bingbot\r\n")
                                 << followed;
}

void TestLinkBackCommand::robotsGroupOfTheSearchEngine()
{
    QFETCH(QStringList, options);
    QFETCH(QByteArray, preferences);
    QFETCH(QByteArray, line);
    m_server->route("/links/partner", TestHttpResponse::html(partnerPage(kFollowed)));
    m_server->route("/robots.txt", TestHttpResponse::html("User-agent: *\nDisallow: /\n\n"
                                                          "User-agent: Googlebot\nDisallow: /links/\n\n"
                                                          "User-agent: Bingbot\nAllow: /\n",
                                                          "text/plain"));
    if (!preferences.isEmpty()) {
        QFile file(m_dir->filePath(QStringLiteral("preferences.ini")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(preferences);
    }
    int code = -1;
    QByteArray err;
    const QByteArray out =
        run(options + QStringList{QStringLiteral("--my-site"), QStringLiteral("example.com"),
                                  QStringLiteral("--test"), url("/links/partner")},
            &code, &err);
    QVERIFY2(code == 0, err.constData());
    QVERIFY2(out.contains('\n' + line + '\n'), out.constData());
}

QTEST_GUILESS_MAIN(TestLinkBackCommand)
#include "tst_linkbackcommand.moc"
