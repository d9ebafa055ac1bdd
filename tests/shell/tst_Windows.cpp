#include "tst_Windows.h"

#include "ShellFixture.h"
#include "TestHttpServer.h"
#include "Version.h"
#include "shell/browser/BrowserPane.h"
#include "shell/browser/PictureButton.h"
#include "shell/ui/ConfigArea.h"
#include "shell/ui/MainWindow.h"
#include "shell/ui/SplashWindow.h"
#include "shell/ui/WindowHelpers.h"
#include "shell/ui/WindowShape.h"
#include "workspace/Workspace.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPalette>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWebEngineView>

namespace {

using RectList = QList<QRect>;

// 'R' is the key colour, '.' any other, 'n' a red that is one step off the key.
QImage picture(const QStringList& rows)
{
    QImage image(rows.isEmpty() ? 0 : int(rows.first().size()), int(rows.size()), QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QChar c = rows[y][x];
            image.setPixel(x, y,
                           c == u'R'   ? qRgb(255, 0, 0)
                           : c == u'n' ? qRgb(254, 0, 0)
                                       : qRgb(20, 40, 60));
        }
    }
    return image;
}

// Left, top, right, bottom, right and bottom exclusive.
QRect ltrb(int l, int t, int r, int b)
{
    return QRect(QPoint(l, t), QPoint(r - 1, b - 1));
}

void pressMouse(QWidget* widget, QEvent::Type type, Qt::MouseButton button, const QPoint& local,
                Qt::MouseButtons buttons)
{
    QMouseEvent event(type, QPointF(local), QPointF(widget->mapToGlobal(local)), button, buttons,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &event);
}

} // namespace

void TestWindows::scanRuns_data()
{
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<RectList>("expected");

    QTest::newRow("2 x 2 block in a 4 x 4 window")
        << QStringList{"RRRR", "R..R", "R..R", "RRRR"} << RectList{ltrb(1, 1, 2, 3), ltrb(2, 1, 3, 3)};
    QTest::newRow("non-key pixel at 0, 0") << QStringList{".RR", "RRR", "RRR"} << RectList{};
    QTest::newRow("column 0 and row 0 never")
        << QStringList{"...", "...", "..."} << RectList{ltrb(1, 1, 2, 3), ltrb(2, 1, 3, 3)};
    QTest::newRow("run down to the bottom edge")
        << QStringList{"RRR", "R.R", "R.R", "R.R"} << RectList{ltrb(1, 1, 2, 4)};
    QTest::newRow("two runs in one column")
        << QStringList{"RR", "R.", "RR", "R.", "R."} << RectList{ltrb(1, 1, 2, 2), ltrb(1, 3, 2, 5)};
    QTest::newRow("one step off the key is not the key")
        << QStringList{"RR", "Rn"} << RectList{ltrb(1, 1, 2, 2)};
    QTest::newRow("right edge column") << QStringList{"RRR", "RR.", "RRR"} << RectList{ltrb(2, 1, 3, 2)};
    QTest::newRow("all key") << QStringList{"RRR", "RRR"} << RectList{};
    QTest::newRow("one column wide") << QStringList{".", ".", "."} << RectList{};
}

void TestWindows::scanRuns()
{
    QFETCH(QStringList, rows);
    QFETCH(RectList, expected);

    const QVector<QRect> runs = WindowShape::scanRuns(picture(rows), WindowHelpers::colorValue(255, 0, 0));
    QCOMPARE(RectList(runs.begin(), runs.end()), expected);
}

void TestWindows::translateSystemColor_data()
{
    QTest::addColumn<quint32>("colour");
    QTest::addColumn<quint32>("expected");

    QTest::newRow("red stays red") << quint32(255) << quint32(255);
    QTest::newRow("an RGB value is unchanged") << quint32(0x00123456) << quint32(0x00123456);
    QTest::newRow("button face") << quint32(0x8000000F) << WindowHelpers::colorValue(1, 2, 3);
    QTest::newRow("window background") << quint32(0x80000005) << WindowHelpers::colorValue(200, 100, 50);
    QTest::newRow("highlight") << quint32(0x8000000D) << WindowHelpers::colorValue(0, 120, 215);
    QTest::newRow("unknown index gives black") << quint32(0x800000FE) << quint32(0);
}

void TestWindows::translateSystemColor()
{
    QFETCH(quint32, colour);
    QFETCH(quint32, expected);

    QPalette palette;
    palette.setColor(QPalette::Active, QPalette::Button, QColor(1, 2, 3));
    palette.setColor(QPalette::Active, QPalette::Base, QColor(200, 100, 50));
    palette.setColor(QPalette::Active, QPalette::Highlight, QColor(0, 120, 215));
    QCOMPARE(WindowHelpers::translateSystemColor(colour, palette), expected);
}

void TestWindows::splashLoad()
{
    QWidget next;
    SplashWindow splash(next, 60 * 60 * 1000);

    QCOMPARE(splash.objectName(), QStringLiteral("Form1"));
    QCOMPARE(splash.versionLabel()->text(), QStringLiteral("v." QUILLMARK_VERSION_TEXT));
    QCOMPARE(splash.titleLabel()->text(), QStringLiteral("Quillmark"));
    QVERIFY(splash.titleLabel()->font().bold());
    QVERIFY(splash.versionLabel()->font().bold());
    QCOMPARE(splash.keyColour(), quint32(255));

    const double tppX = 1440.0 / splash.logicalDpiX();
    const double tppY = 1440.0 / splash.logicalDpiY();
    QCOMPARE(splash.titleLabel()->pos(), QPoint(qRound(2280 / tppX), qRound(360 / tppY)));
    QCOMPARE(splash.versionLabel()->pos(), QPoint(qRound(2640 / tppX), qRound(960 / tppY)));
    QCOMPARE(splash.size(), QSize(qRound(4455 / tppX), qRound(2850 / tppY)));

    QVERIFY(splash.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(splash.windowFlags().testFlag(Qt::FramelessWindowHint));
    // Kept on top means shown as well.
    QVERIFY(splash.isVisible());
}

void TestWindows::splashShapeIsTheScannedRegion()
{
    QWidget next;
    SplashWindow splash(next, 60 * 60 * 1000);

    const QVector<QRect> runs = WindowShape::scanRuns(WindowShape::drawingSurface(&splash), 255);
    QRegion expected;
    for (const QRect& run : runs)
        expected += run;
    QVERIFY(!expected.isEmpty());
    QCOMPARE(splash.mask(), expected);

    QVERIFY(!splash.mask().contains(QPoint(0, 0)));
    QVERIFY(!splash.mask().contains(QPoint(3, 3)));   // red corner of the picture
    QVERIFY(splash.mask().contains(QPoint(200, 60))); // the card under the labels
    // The labels are drawn over the picture, so they never cut holes in it.
    QVERIFY(splash.mask().contains(splash.titleLabel()->geometry().center()));
}

void TestWindows::splashDrag()
{
    QWidget next;
    SplashWindow splash(next, 60 * 60 * 1000);
    splash.move(100, 100);
    const QPoint start = splash.pos();
    const QPoint grab(150, 60);

    pressMouse(&splash, QEvent::MouseButtonPress, Qt::RightButton, grab, Qt::RightButton);
    pressMouse(&splash, QEvent::MouseMove, Qt::NoButton, grab + QPoint(40, 30), Qt::RightButton);
    pressMouse(&splash, QEvent::MouseButtonRelease, Qt::RightButton, grab + QPoint(40, 30), Qt::NoButton);
    QCOMPARE(splash.pos(), start);

    pressMouse(&splash, QEvent::MouseButtonPress, Qt::LeftButton, grab, Qt::LeftButton);
    pressMouse(&splash, QEvent::MouseMove, Qt::NoButton, grab + QPoint(40, 30), Qt::LeftButton);
    pressMouse(&splash, QEvent::MouseButtonRelease, Qt::LeftButton, grab + QPoint(40, 30), Qt::NoButton);
    QCOMPARE(splash.pos(), start + QPoint(40, 30));
}

void TestWindows::splashTimerShowsNextAndCloses()
{
    QWidget next;
    SplashWindow splash(next, 50);
    QVERIFY(splash.isVisible());
    QVERIFY(!next.isVisible());
    QTRY_VERIFY(next.isVisible());
    QVERIFY(!splash.isVisible());
}

void TestWindows::startUpRunsInOrder()
{
    Workspace workspace(m_fixture.folder());
    MainWindow window(workspace, m_fixture.profile());

    // Stand-ins for the "Load" buttons of the areas, created in an order other
    // than the start-up's, each noting what the start-up had done before it.
    struct Seen
    {
        QString button;
        QString header;
        QString caption;
        bool pictures;
    };
    QList<Seen> seen;
    workspace.results().setCell(0, 1, QStringLiteral("not yet"));
    for (const char* name : {"Command42", "Command22", "Command36", "Command38"}) {
        auto* button = new QPushButton(QStringLiteral("Load"), window.area(2));
        button->setObjectName(QString::fromLatin1(name));
        connect(button, &QPushButton::clicked, &window, [&, button] {
            seen.append({button->objectName(), workspace.results().cell(0, 1), window.windowTitle(),
                         !window.browser().pictureButton(0)->picture().isNull()});
        });
    }

    window.startUp();

    QCOMPARE(seen.size(), 4);
    const QStringList order = {seen[0].button, seen[1].button, seen[2].button, seen[3].button};
    QCOMPARE(order, (QStringList{"Command36", "Command38", "Command22", "Command42"}));
    for (const Seen& s : seen) {
        QCOMPARE(s.header, QStringLiteral("not yet"));
        QVERIFY(s.caption.isEmpty());
        QVERIFY(!s.pictures);
    }
    const QStringList header = {workspace.results().cell(0, 0), workspace.results().cell(0, 1),
                                workspace.results().cell(0, 2), workspace.results().cell(0, 3),
                                workspace.results().cell(0, 4)};
    QCOMPARE(header, (QStringList{"#", "Title", "Email", "Description", "URL"}));
    for (int i = 0; i < 5; ++i)
        QVERIFY(!window.browser().pictureButton(i)->picture().isNull());
    QVERIFY(window.windowTitle().startsWith(QStringLiteral(" - ")));

    // Showing the window does not run the start-up a second time.
    window.show();
    QCOMPARE(seen.size(), 4);
    QCOMPARE(window.selectedArea(), 0);
    QVERIFY(window.area(0)->isVisible());
}

void TestWindows::startUpLoadsListsNamedBySettings()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    auto write = [&](const QString& name, const QByteArray& content) {
        QFile file(dir.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    };
    write(QStringLiteral("links.ini"), "[BadWords]\r\nBadWordsFile=words-from-ini.txt\r\n\r\n"
                                       "[BadDomains]\r\nBadDomainsFile=domains-from-ini.txt\r\n");
    write(QStringLiteral("words-from-ini.txt"), "zebra\r\napple\r\n");
    write(QStringLiteral("domains-from-ini.txt"), "spam\\.example\r\n");
    write(QStringLiteral("badwords.txt"), "default word\r\n");
    write(QStringLiteral("baddomains.txt"), "default domain\r\n");
    write(QStringLiteral("headers.txt"), "200 OK\r\n301 Moved Permanently\r\n");

    Workspace workspace{ProgramFolder(dir.path())};
    MainWindow window(workspace, m_fixture.profile());
    // The "3. Config" area brings the four "Load" buttons.
    new ConfigArea(
        workspace, [](const QString&) {}, window.area(2));
    window.startUp();

    QCOMPARE(workspace.settings().text(Key::BadWordsFile), QStringLiteral("words-from-ini.txt"));
    QCOMPARE(workspace.badWords().entries(), (QStringList{"apple", "zebra"}));
    QCOMPARE(workspace.badUrls().entries(), (QStringList{"spam\\.example"}));
    QCOMPARE(workspace.validStatus().entries(), (QStringList{"200 OK", "301 Moved Permanently"}));
    QCOMPARE(window.selectedArea(), 0);
}

void TestWindows::captionBeforeAndAfterAPage()
{
    TestHttpServer server;
    server.route(
        QStringLiteral("/"),
        TestHttpResponse::html("<html><head><title>Served Page</title></head><body>x</body></html>"));

    Workspace workspace(m_fixture.folder());
    MainWindow window(workspace, m_fixture.profile());
    window.startUp();
    QCOMPARE(window.windowTitle(), QStringLiteral(" - Quillmark " QUILLMARK_VERSION_TEXT));

    // The start-up sent the browser to the start page in the program folder.
    QTRY_COMPARE_WITH_TIMEOUT(window.windowTitle(),
                              QStringLiteral("Welcome to Quillmark - Quillmark " QUILLMARK_VERSION_TEXT),
                              20000);
    QCOMPARE(window.browser().view()->url(),
             QUrl::fromLocalFile(m_fixture.folder().filePath(QStringLiteral("start.html"))));

    window.browser().navigate(server.url().toString());
    QTRY_COMPARE_WITH_TIMEOUT(window.windowTitle(),
                              QStringLiteral("Served Page - Quillmark " QUILLMARK_VERSION_TEXT), 20000);
    QCOMPARE(window.browser().addressBox()->currentText(), server.url().toString());
}

void TestWindows::showingLaysOutEveryArea()
{
    Workspace workspace(m_fixture.folder());
    MainWindow window(workspace, m_fixture.profile());
    // Stand-ins for the large controls of the other areas.
    auto* links = new QWidget(window.area(1));
    links->setObjectName(QStringLiteral("Links"));
    auto* status = new QLabel(window.area(3));
    status->setObjectName(QStringLiteral("Label4"));
    QSignalSpy laidOut(&window, &MainWindow::layoutApplied);

    window.resize(900, 640);
    window.show();
    QVERIFY(window.hasStarted());
    QVERIFY(laidOut.count() >= 1);

    const TwipsPerPixel tpp = window.twipsPerPixel();
    const QSize outer = window.frameGeometry().size();
    const LayoutResult expected = LayoutPass::run(
        qRound(outer.width() * tpp.x), qRound(outer.height() * tpp.y), LayoutResult::design(), tpp);
    QCOMPARE(window.layoutResult(), expected);

    auto px = [&](const QRect& twips) {
        return QRect(qRound(twips.left() / tpp.x), qRound(twips.top() / tpp.y), qRound(twips.width() / tpp.x),
                     qRound(twips.height() / tpp.y));
    };
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(window.area(i)->geometry(), px(expected.areas[i]));
        QCOMPARE(window.tabButton(i)->geometry(), px(expected.tabs[i]));
    }
    QCOMPARE(window.browser().view()->geometry(), px(expected.web));
    QCOMPARE(links->geometry(), px(expected.links));
    QCOMPARE(status->geometry(), px(expected.status));

    // Resizing while another area is selected resizes the hidden ones too.
    window.tabButton(1)->click();
    window.resize(700, 500);
    QTRY_VERIFY(window.layoutResult() != expected);
    for (int i = 0; i < 4; ++i)
        QCOMPARE(window.area(i)->geometry(), px(window.layoutResult().areas[i]));
    QCOMPARE(window.browser().view()->geometry(), px(window.layoutResult().web));
}

void TestWindows::tabSwitchingKeepsState()
{
    Workspace workspace(m_fixture.folder());
    MainWindow window(workspace, m_fixture.profile());
    auto* note = new QLineEdit(window.area(2));
    window.show();

    QCOMPARE(window.tabButton(0)->text(), QStringLiteral("1. Browse"));
    QCOMPARE(window.tabButton(1)->toolTip(), QStringLiteral("Get your links"));
    QCOMPARE(window.tabButton(2)->text(), QStringLiteral("3. Config"));
    QCOMPARE(window.tabButton(3)->toolTip(), QStringLiteral("Manage your data"));

    window.browser().addressBox()->setEditText(QStringLiteral("typed, not sent"));
    note->setText(QStringLiteral("config note"));

    for (int pick : {3, 3, 1, 2, 0}) {
        window.tabButton(pick)->click();
        QCOMPARE(window.selectedArea(), pick);
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(window.area(i)->isVisible(), i == pick);
            QCOMPARE(window.tabButton(i)->isChecked(), i == pick);
        }
    }
    QCOMPARE(window.browser().addressBox()->currentText(), QStringLiteral("typed, not sent"));
    QCOMPARE(note->text(), QStringLiteral("config note"));
}

void TestWindows::forumsKeepsSelectedArea()
{
    Workspace workspace(m_fixture.folder());
    MainWindow window(workspace, m_fixture.profile());
    window.show();
    window.tabButton(2)->click();

    auto* forums = window.findChild<QAbstractButton*>(QStringLiteral("Command1"));
    QVERIFY(forums);
    QCOMPARE(forums->text(), QStringLiteral("Forums"));
    QCOMPARE(forums->toolTip(), QStringLiteral("Support Forums"));
    forums->click();

    QCOMPARE(window.selectedArea(), 2);
    QVERIFY(window.area(2)->isVisible());
    QVERIFY(!window.area(0)->isVisible());
    // The hidden browser goes on to the help page shipped in the program folder.
    QTRY_COMPARE_WITH_TIMEOUT(window.browser().title(), QStringLiteral("About Quillmark"), 20000);
    QCOMPARE(window.browser().view()->url(),
             QUrl::fromLocalFile(m_fixture.folder().filePath(QStringLiteral("help.html"))));
    QCOMPARE(window.selectedArea(), 2);
}

void TestWindows::onTopKeepsPlaceAndSize()
{
    Workspace workspace(m_fixture.folder());
    MainWindow window(workspace, m_fixture.profile());
    window.show();
    window.move(40, 30);
    window.resize(900, 700);
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QPoint position = window.pos();
    const QSize size = window.size();

    auto* onTop = window.findChild<QAbstractButton*>(QStringLiteral("Check6"));
    QVERIFY(onTop);
    QVERIFY(!onTop->isChecked());
    QCOMPARE(onTop->toolTip(), QStringLiteral("On Top"));

    for (bool expected : {true, false}) {
        onTop->click();
        QCOMPARE(onTop->isChecked(), expected);
        QCOMPARE(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint), expected);
        QVERIFY(window.isVisible());
        QCOMPARE(window.pos(), position);
        QCOMPARE(window.size(), size);
        QCOMPARE(window.selectedArea(), 0);
    }
}
