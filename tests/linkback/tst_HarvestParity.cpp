#include "TestHttpServer.h"
#include "linkback/LinkProof.h"
#include "settings/ProgramFolder.h"
#include "shell/browser/BrowserPane.h"
#include "shell/browser/WebEngineSetup.h"

#include <QApplication>
#include <QDebug>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QWebEngineProfile>
#include <memory>
#include <optional>

namespace {

constexpr int LoadTimeoutMs = 20000;

// Every page asks the browser not to look up the hosts its links name: only
// the test's own server may be reached.
QByteArray page(const QByteArray& head, const QByteArray& body)
{
    return "<!DOCTYPE html><html><head><meta charset=\"utf-8\">"
           "<meta http-equiv=\"x-dns-prefetch-control\" content=\"off\"><title>t</title>" +
           head + "</head><body>" + body + "</body></html>";
}

QByteArray nested(int depth)
{
    QByteArray body;
    for (int i = 0; i < depth; ++i)
        body += "<div><a href=\"/d" + QByteArray::number(i) + "\">" + QByteArray::number(i) + "</a>";
    return body;
}

} // namespace

// For a static page, the links the proof finds are the links "Get links"
// harvests from the browser pane: the same targets, resolved the same way, in
// the same order. The proof reads the page with scripting off, so it also
// sees inside <noscript> (the browser, with scripts on, does not) and inside
// comments; those links are marked and left out of the comparison. A target
// that is no valid address at all ("http://exa mple.example/") is reported as
// the page wrote it, where Chromium shows its own attempt at a repair; such a
// target points nowhere on either side and is left out of these pages.
class HarvestParityTests : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void sameLinks_data();
    void sameLinks();

private:
    TestHttpServer m_server;
    QTemporaryDir m_dir;
    std::unique_ptr<QWebEngineProfile> m_profile;
    BrowserPane* m_browser = nullptr;
};

void HarvestParityTests::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_profile = std::make_unique<QWebEngineProfile>(); // off the record
    m_browser = new BrowserPane(*m_profile, ProgramFolder(m_dir.path()));
    m_browser->resize(640, 480);
    m_browser->show();
}

void HarvestParityTests::cleanupTestCase()
{
    delete m_browser;
    m_browser = nullptr;
    m_profile.reset();
}

void HarvestParityTests::sameLinks_data()
{
    QTest::addColumn<QByteArray>("html");

    QTest::newRow("plain forms") << page(
        "", "<a href=\"http://other.example/a\">1</a><a href=\"/root\">2</a>"
            "<a href=\"rel/x.html\">3</a><a href=\"?q=1\">4</a><a href=\"#top\">5</a>"
            "<a href=\"\">6</a><a>7</a><a name=n>8</a>"
            "<a href=\"mailto:a@b.example\">9</a><a href=\"javascript:void(0)\">10</a>"
            "<a href=\"data:text/html,<b>x</b>\">11</a><a href=\"../../up\">12</a>");
    QTest::newRow("base, relative") << page(
        "<base href=\"/sub/dir/\">",
        "<a href=\"x\">1</a><a href=\"../y\">2</a><a href=\"//other.example/z\">3</a>");
    QTest::newRow("base elsewhere") << page("<base href=\"https://other.example/x/\" target=_blank>",
                                            "<a href=\"p?q\">1</a><a href=\"/r\">2</a>");
    QTest::newRow("entities and encodings") << page(
        "", "<a href=\"/a?x=1&amp;y=2\">1</a><a href=\"&#x2F;slash\">2</a><a href=\"/caf\xC3\xA9 b\">3</a>"
            "<a href='/q?\"quoted\"&lt;'>4</a><a href=\"/x%41y%7e\">5</a><a "
            "href=\"/\xE2\x82\xAC?\xE2\x82\xAC#\xE2\x82\xAC\">6</a>"
            "<a href=\"/a`b{c}|d^e\">7</a><a href=\"?it's\">8</a>");
    QTest::newRow("hosts and ports") << page(
        "", "<a href=\"http://b\xC3\xBC"
            "cher.example/\">1</a><a href=\"http://OTHER.example:80/\">2</a>"
            "<a href=\"https://x.example:443/p\">3</a><a href=\"http://x.example:8080\">4</a>"
            "<a href=\"http://x.example./\">5</a><a href=\"http://0x7f.1/\">6</a>"
            "<a href=\"http://%6Fther.example/\">7</a><a href=\"http://user:pw@x.example/\">8</a>"
            "<a href=\"HTTPS://X.EXAMPLE\">9</a>");
    QTest::newRow("blanks and backslashes") << page(
        "", "<a href=\" \t/a\nb \">1</a><a href=\"\\\\other.example\\p\\q\">2</a><a href=\"http:rel\">3</a>"
            "<a href=\"https:other.example/x\">4</a><a href=\"/a/./b/../c/%2e%2E/d\">5</a>");
    QTest::newRow("misnested markup")
        << page("", "<p><a href=\"/1\">a<p>b</a><b><a href=\"/2\">c<i>d</b>e</a>"
                    "<a href=\"/3\"><div>block</div></a><a href=\"/4\">x<a href=\"/5\">y</a>"
                    "<a href=/6<b>z</a><a href=\"/7\" href=\"/dup\">dup</a>");
    QTest::newRow("tables") << page("", "<table><a href=\"/fostered\">x</a><tr><td><a href=\"/cell\">y</td>"
                                        "<td><a href=\"/open\">z</tr></table><a href=\"/after\">w</a>");
    QTest::newRow("svg and math") << page(
        "", "<svg><a href=\"/svg1\"><text>x</text></a><a xlink:href=\"/svg2\">y</a></svg>"
            "<math><mi><a href=\"/inmath\">m</a></mi></math>");
    QTest::newRow("raw text elements") << page(
        "<a href=\"/inhead\">h</a>", "<title><a href=\"/t\"></title><textarea><a href=\"/ta\"></textarea>"
                                     "<script>var s = '<a href=\"/s\">';</script><style>a{}</style>"
                                     "<xmp><a href=\"/x\"></xmp><a href=\"/real\">r</a>");
    QTest::newRow("hidden parts") << page(
        "", "<div hidden><a href=\"/h\">h</a></div><span style=\"display:none\"><a href=\"/d\">d</a></span>"
            "<noscript><a href=\"/ns\">ns</a></noscript><!-- <a href=\"/c\">c</a> -->"
            "<template><a href=\"/tpl\">t</a></template><map><area href=\"/area\"></map>");
    QTest::newRow("deep nesting") << page("", nested(600));
}

void HarvestParityTests::sameLinks()
{
    QFETCH(QByteArray, html);
    const QString path =
        QStringLiteral("/dir/page%1.html")
            .arg(QTest::currentDataTag() ? qHash(QString::fromLatin1(QTest::currentDataTag())) : 0);
    m_server.route(path, TestHttpResponse::html(html));
    const QString url = m_server.url(path).toString();

    QSignalSpy done(m_browser, &BrowserPane::documentComplete);
    m_browser->navigate(url);
    QVERIFY(done.wait(LoadTimeoutMs));
    QObject context;
    std::optional<PageAnchors> anchors;
    m_browser->readAnchors(&context, [&](const PageAnchors& read) { anchors = read; });
    QTRY_VERIFY_WITH_TIMEOUT(anchors.has_value(), LoadTimeoutMs);
    QVERIFY(anchors->hasDocument);
    QCOMPARE(anchors->frameCount, 0);

    const LinkProofResult proof =
        LinkProof::examine(url, QString(), QString::fromUtf8(html), MySites(), LinkProof::Scope::AllLinks);
    QVERIFY(proof.complete);
    QStringList found;
    for (const ProofLink& link : proof.links)
        if (!link.area && !link.inComment && !link.inNoscript)
            found.append(link.target);
    if (found != anchors->hrefs)
        qWarning() << found << anchors->hrefs;
    QCOMPARE(found, anchors->hrefs);
}

int main(int argc, char** argv)
{
    WebEngineSetup::beforeApplication();
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", qgetenv("QTWEBENGINE_CHROMIUM_FLAGS") +
                                              " --dns-prefetch-disable --disable-features=NetworkPrediction");
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    HarvestParityTests tests;
    return QTest::qExec(&tests, argc, argv);
}

#include "tst_HarvestParity.moc"
