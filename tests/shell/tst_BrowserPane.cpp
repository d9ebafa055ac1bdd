#include "tst_BrowserPane.h"

#include "ShellFixture.h"
#include "TestHttpServer.h"
#include "shell/browser/BrowserPane.h"
#include "shell/browser/PictureButton.h"

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPointer>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QWebEngineHistory>
#include <QWebEngineProfile>
#include <QWebEngineView>

Q_DECLARE_METATYPE(PageAnchors)

namespace {

constexpr int LoadTimeoutMs = 20000;

bool waitForLoad(BrowserPane& pane, const std::function<void()>& start)
{
    QSignalSpy done(&pane, &BrowserPane::documentComplete);
    start();
    return done.wait(LoadTimeoutMs);
}

QImage imageOf(const QString& file)
{
    return QImage(file).convertToFormat(QImage::Format_RGB32);
}

QImage imageOf(const PictureButton* button)
{
    return button->picture().toImage().convertToFormat(QImage::Format_RGB32);
}

void addPages(TestHttpServer& server, const QString& foreignFrame)
{
    const QByteArray frameOne =
        "<html><body><a href=\"/one\">1</a><p><a href=\"two.html\">2</a></p></body></html>";
    server.route(QStringLiteral("/f1"), TestHttpResponse::html(frameOne));
    server.route(QStringLiteral("/f2"),
                 TestHttpResponse::html("<html><body><a href=\"/three\">3</a></body></html>"));
    server.route(QStringLiteral("/plain"),
                 TestHttpResponse::html("<html><head><title>Plain</title></head><body>"
                                        "<p><a href=\"/a\">A</a></p>"
                                        "<a href=\"HTTP://Example.COM/Path\">B</a>"
                                        "<a name=\"x\">no target</a>"
                                        "<svg><a href=\"/svg\"><text>s</text></a></svg>"
                                        "<map name=\"m\"><area href=\"/area\"></map>"
                                        "</body></html>"));
    server.route(QStringLiteral("/frameset"),
                 TestHttpResponse::html("<html><head><title>Frames</title></head>"
                                        "<frameset cols=\"50%,50%\"><frame src=\"/f1\"><frame src=\"/f2\">"
                                        "</frameset></html>"));
    server.route(QStringLiteral("/iframe"),
                 TestHttpResponse::html("<html><body><a href=\"/top\">t</a><iframe src=\"/f1\"></iframe>"
                                        "<a href=\"#frag\">f</a></body></html>"));
    server.route(QStringLiteral("/foreign"),
                 TestHttpResponse::html("<html><body><a href=\"/top\">t</a><iframe src=\"" +
                                        foreignFrame.toUtf8() + "\"></iframe></body></html>"));
}

} // namespace

void TestBrowserPane::addressFromText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QUrl>("expected");

    QTest::newRow("full address as typed")
        << "http://127.0.0.1:8080/a?b=c" << QUrl("http://127.0.0.1:8080/a?b=c");
    QTest::newRow("secure scheme") << "https://127.0.0.1/" << QUrl("https://127.0.0.1/");
    QTest::newRow("about page") << "about:blank" << QUrl("about:blank");
    QTest::newRow("bare host is completed") << "www.example.com" << QUrl("http://www.example.com");
    QTest::newRow("host and port is not a scheme") << "127.0.0.1:8080/x" << QUrl("http://127.0.0.1:8080/x");
    QTest::newRow("a local path") << "/tmp/page.html" << QUrl::fromLocalFile("/tmp/page.html");
}

void TestBrowserPane::addressFromText()
{
    QFETCH(QString, text);
    QFETCH(QUrl, expected);
    QCOMPARE(BrowserPane::addressFromText(text), expected);
}

void TestBrowserPane::enterNavigatesAndRewritesAddress_data()
{
    QTest::addColumn<int>("key");
    QTest::newRow("Return") << int(Qt::Key_Return);
    QTest::newRow("Enter on the keypad") << int(Qt::Key_Enter);
}

void TestBrowserPane::enterNavigatesAndRewritesAddress()
{
    QFETCH(int, key);

    TestHttpServer server;
    server.route(QStringLiteral("/"),
                 TestHttpResponse::html("<html><head><title>Served Page</title></head></html>"));
    BrowserPane pane(m_fixture.profile(), m_fixture.folder());
    pane.resize(800, 600);
    pane.show();

    const QString typed = QStringLiteral("http://127.0.0.1:%1").arg(server.port());
    QLineEdit* box = pane.addressBox()->lineEdit();
    box->setFocus();
    QTest::keyClicks(box, typed);
    QVERIFY(waitForLoad(pane, [&] { QTest::keyClick(box, Qt::Key(key)); }));

    QCOMPARE(server.requestCount(QStringLiteral("/")), 1);
    // The browser's own form of the address replaces what was typed.
    QCOMPARE(pane.addressBox()->currentText(), typed + QLatin1Char('/'));
    QCOMPARE(pane.title(), QStringLiteral("Served Page"));
    QCOMPARE(pane.addressBox()->count(), 0);
}

void TestBrowserPane::otherKeysDoNotNavigate()
{
    TestHttpServer server;
    server.route(QStringLiteral("/"), TestHttpResponse::html("<html><body>x</body></html>"));
    BrowserPane pane(m_fixture.profile(), m_fixture.folder());
    pane.show();

    QLineEdit* box = pane.addressBox()->lineEdit();
    QTest::keyClicks(box, server.url().toString());
    QTest::keyClick(box, Qt::Key_Tab);
    QTest::keyClick(box, Qt::Key_Space);
    // The view takes an address within the call that gives it, long before
    // its page starts to load: the keys gave it none.
    QVERIFY(pane.view()->url().isEmpty());
    QCOMPARE(server.requestCount(QStringLiteral("/")), 0);
}

void TestBrowserPane::pictureButtonsSwapAndCommand()
{
    TestHttpServer server;
    server.route(QStringLiteral("/first"), TestHttpResponse::html("<html><title>First</title></html>"));
    server.route(QStringLiteral("/second"), TestHttpResponse::html("<html><title>Second</title></html>"));
    BrowserPane pane(m_fixture.profile(), m_fixture.folder());
    pane.resize(800, 600);
    pane.show();
    pane.loadPictures();

    PictureButton* back = pane.pictureButton(0);
    PictureButton* forward = pane.pictureButton(1);
    PictureButton* home = pane.pictureButton(4);
    QCOMPARE(back->objectName(), QStringLiteral("Image1"));
    QCOMPARE(home->objectName(), QStringLiteral("Image6"));
    const QImage backAtRest = imageOf(m_fixture.folder().filePath(QStringLiteral("images/back.bmp")));
    const QImage backPressed = imageOf(m_fixture.folder().filePath(QStringLiteral("images/back1.bmp")));
    QVERIFY(!backAtRest.isNull() && backAtRest != backPressed);
    QCOMPARE(imageOf(back), backAtRest);

    QVERIFY(waitForLoad(pane, [&] { pane.navigate(server.url(QStringLiteral("/first")).toString()); }));
    QVERIFY(waitForLoad(pane, [&] { pane.navigate(server.url(QStringLiteral("/second")).toString()); }));

    // The right button swaps the picture and back, and issues nothing: the
    // button's click goes to its command within the release.
    QSignalSpy clicked(back, &PictureButton::clicked);
    QTest::mousePress(back, Qt::RightButton);
    QCOMPARE(imageOf(back), backPressed);
    QTest::mouseRelease(back, Qt::RightButton);
    QCOMPARE(imageOf(back), backAtRest);
    QCOMPARE(clicked.count(), 0);
    QCOMPARE(pane.view()->url(), server.url(QStringLiteral("/second")));

    // A primary click goes back, and forward again.
    QVERIFY(waitForLoad(pane, [&] { QTest::mouseClick(back, Qt::LeftButton); }));
    QCOMPARE(pane.view()->url(), server.url(QStringLiteral("/first")));
    QVERIFY(waitForLoad(pane, [&] { QTest::mouseClick(forward, Qt::LeftButton); }));
    QCOMPARE(pane.view()->url(), server.url(QStringLiteral("/second")));

    // Released outside the button it is no click.
    clicked.clear();
    QTest::mousePress(back, Qt::LeftButton);
    QTest::mouseRelease(back, Qt::LeftButton, {}, QPoint(-5, -5));
    QCOMPARE(clicked.count(), 0);
    QCOMPARE(pane.view()->url(), server.url(QStringLiteral("/second")));

    QVERIFY(waitForLoad(pane, [&] { QTest::mouseClick(home, Qt::LeftButton); }));
    QCOMPARE(pane.view()->url(), pane.homeUrl());
    QCOMPARE(pane.title(), QStringLiteral("Welcome to Quillmark"));
}

void TestBrowserPane::missingImagesFolder()
{
    TestHttpServer server;
    server.route(QStringLiteral("/"), TestHttpResponse::html("<html><title>Only</title></html>"));
    BrowserPane pane(m_fixture.profile(), m_fixture.bareFolder());
    pane.resize(800, 600);
    pane.show();
    pane.loadPictures();

    PictureButton* back = pane.pictureButton(0);
    QVERIFY(back->picture().isNull());
    QTest::mousePress(back, Qt::LeftButton);
    QVERIFY(back->picture().isNull());
    QTest::mouseRelease(back, Qt::LeftButton);

    // Back at the start of the history changes nothing: the view would have
    // taken another address within the click.
    QCOMPARE(pane.view()->history()->count(), 0);
    QVERIFY(pane.view()->url().isEmpty());

    // Without a start page, home is an empty page; the buttons still work.
    QCOMPARE(pane.homeUrl(), QUrl(QStringLiteral("about:blank")));
    QVERIFY(waitForLoad(pane, [&] { pane.navigate(server.url().toString()); }));
    QVERIFY(waitForLoad(pane, [&] { QTest::mouseClick(pane.pictureButton(4), Qt::LeftButton); }));
    QCOMPARE(pane.view()->url(), QUrl(QStringLiteral("about:blank")));
    QVERIFY(waitForLoad(pane, [&] { QTest::mouseClick(back, Qt::LeftButton); }));
    QCOMPARE(pane.view()->url(), server.url());
}

void TestBrowserPane::documentSource_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QStringList>("hrefs");
    QTest::addColumn<int>("frameCount");
    QTest::addColumn<QList<bool>>("readable");
    QTest::addColumn<QList<QStringList>>("frameHrefs");

    // "@" stands for the server's address.
    const QStringList frameOne = {"@/one", "@/two.html"};
    QTest::newRow("plain page") << "/plain" << QStringList{"@/a", "http://example.com/Path", "", "@/svg"} << 0
                                << QList<bool>{} << QList<QStringList>{};
    QTest::newRow("frameset") << "/frameset" << QStringList{} << 2 << QList<bool>{true, true}
                              << QList<QStringList>{frameOne, {"@/three"}};
    QTest::newRow("one inline frame") << "/iframe" << QStringList{"@/top", "@/iframe#frag"} << 1
                                      << QList<bool>{true} << QList<QStringList>{frameOne};
    QTest::newRow("frame from another site")
        << "/foreign" << QStringList{"@/top"} << 1 << QList<bool>{false} << QList<QStringList>{{}};
}

void TestBrowserPane::documentSource()
{
    QFETCH(QString, path);
    QFETCH(QStringList, hrefs);
    QFETCH(int, frameCount);
    QFETCH(QList<bool>, readable);
    QFETCH(QList<QStringList>, frameHrefs);

    TestHttpServer foreign;
    foreign.route(QStringLiteral("/f1"),
                  TestHttpResponse::html("<html><body><a href=\"/x\">x</a></body></html>"));
    TestHttpServer server;
    addPages(server, foreign.url(QStringLiteral("/f1")).toString());
    const QString base = QStringLiteral("http://127.0.0.1:%1").arg(server.port());
    auto resolve = [&](QStringList list) {
        for (QString& s : list)
            s.replace(QLatin1Char('@'), base);
        return list;
    };

    BrowserPane pane(m_fixture.profile(), m_fixture.folder());
    pane.resize(800, 600);
    pane.show();
    QVERIFY(waitForLoad(pane, [&] { pane.navigate(server.url(path).toString()); }));

    QObject context;
    std::optional<PageAnchors> result;
    pane.readAnchors(&context, [&](const PageAnchors& anchors) { result = anchors; });
    QTRY_VERIFY_WITH_TIMEOUT(result.has_value(), LoadTimeoutMs);

    QVERIFY(result->hasDocument);
    QCOMPARE(result->hrefs, resolve(hrefs));
    QCOMPARE(result->frameCount, frameCount);
    QCOMPARE(result->frames.size(), frameCount);
    for (int i = 0; i < frameCount; ++i) {
        QCOMPARE(result->frames[i].readable, readable[i]);
        QCOMPARE(result->frames[i].hrefs, resolve(frameHrefs[i]));
    }
}

void TestBrowserPane::documentSourceAnswersOnce()
{
    auto pane = std::make_unique<BrowserPane>(m_fixture.profile(), m_fixture.folder());
    pane->show();
    QVERIFY(waitForLoad(*pane, [&] { pane->goHome(); }));

    // Answered through the context's event loop, never inside the call.
    QObject context;
    int calls = 0;
    PageAnchors last;
    pane->readAnchors(&context, [&](const PageAnchors& anchors) {
        ++calls;
        last = anchors;
    });
    QCOMPARE(calls, 0);
    QTRY_COMPARE_WITH_TIMEOUT(calls, 1, LoadTimeoutMs);
    QVERIFY(last.hasDocument);
    QCOMPARE(last.frameCount, 0);

    // A context that is gone by then gets no call.
    auto gone = std::make_unique<QObject>();
    bool goneCalled = false;
    pane->readAnchors(gone.get(), [&](const PageAnchors&) { goneCalled = true; });
    gone.reset();

    // A pane closed before the engine answers still answers once: nothing.
    calls = 0;
    pane->readAnchors(&context, [&](const PageAnchors& anchors) {
        ++calls;
        last = anchors;
    });
    pane.reset();
    QTRY_COMPARE(calls, 1);
    QVERIFY(!last.hasDocument);
    // Whatever the pane left to be delivered was posted before this.
    bool drained = false;
    QMetaObject::invokeMethod(
        &context, [&drained] { drained = true; }, Qt::QueuedConnection);
    QTRY_VERIFY(drained);
    QCOMPARE(calls, 1);
    QVERIFY(!goneCalled);
}

void TestBrowserPane::profileOutsideProgramFolder()
{
    // The profile main() makes: its cookies and cache never land among the
    // user's files in the program folder, where "Save links" would list them.
    const QWebEngineProfile& profile = m_fixture.profile();
    QVERIFY(!profile.isOffTheRecord());
    const QString folder = QDir(m_fixture.folder().path()).canonicalPath() + QLatin1Char('/');
    for (const QString& path : {profile.persistentStoragePath(), profile.cachePath()}) {
        QVERIFY2(!path.isEmpty(), qPrintable(path));
        QVERIFY2(!QDir(path).absolutePath().startsWith(folder), qPrintable(path));
    }
    // Nor under the data folder, which is an installed copy's program folder.
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QLatin1Char('/');
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::CacheLocation) + QLatin1Char('/');
    for (const QString& path : {profile.persistentStoragePath(), profile.cachePath()}) {
        QVERIFY2(!path.startsWith(data), qPrintable(path));
        QVERIFY2(path.startsWith(cache), qPrintable(path));
    }
}
