#include "TestHttpServer.h"
#include "filters/SortedListModel.h"
#include "links/ui/LinksArea.h"
#include "results/ResultsTable.h"
#include "run/BatchRun.h"
#include "settings/ProgramFolder.h"
#include "workspace/Workspace.h"
#include "shell/browser/BrowserPane.h"
#include "shell/ui/MainWindow.h"

#include <QAbstractButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWebEngineProfile>
#include <QWebEngineView>

namespace {

// No favicon request from the browser: the server then sees only the page
// itself and, later, the batch run.
QByteArray page(const QByteArray& title, const QByteArray& body)
{
    return "<!DOCTYPE html><html><head><title>" + title +
           "</title><link rel='icon' href='data:,'></head><body>" + body + "</body></html>";
}

} // namespace

// The whole road in the main window: a page on screen in "1. Browse", "Get
// links" on "2. Links", "Get Data" on "4. Data", rows in the results table.
class LinksRoadTests : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void pageOnScreenToResultRows();
};

void LinksRoadTests::pageOnScreenToResultRows()
{
    TestHttpServer server;
    const QByteArray base = server.url(QStringLiteral("/")).toString().toUtf8(); // ends in "/"
    server.route(
        QStringLiteral("/directory"),
        TestHttpResponse::html(page("Directory", "<a href='/site1'>one</a> <a href='/SITE1'>again</a>"
                                                 "<a href='/site2'>two</a> <a href='/missing'>gone</a>"
                                                 "<a href='/picture'>picture</a>"
                                                 "<a href='/out?to=" +
                                                     base + "site3'>tracked</a>")));
    server.route(QStringLiteral("/site1"), TestHttpResponse::html(page("Site One", "<p>first</p>")));
    server.route(QStringLiteral("/site2"), TestHttpResponse::html(page("Site Two", "<p>second</p>")));
    server.route(QStringLiteral("/site3"), TestHttpResponse::html(page("Site Three", "<p>third</p>")));
    server.route(QStringLiteral("/picture"), TestHttpResponse::html("GIF89a", "image/gif"));

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const ProgramFolder folder(dir.path());
    Workspace workspace(folder);
    QWebEngineProfile profile; // off the record: nothing written into the folder
    {
        MainWindow window(workspace, profile);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        // The window starts with empty lists; the defaults check the content type.
        workspace.settings().resetToInitial();
        QVERIFY(workspace.settings().isOn(Key::ContentTypeCheck));
        workspace.validStatus().add(QStringLiteral("200 OK"));

        QSignalSpy loaded(window.browser().view(), &QWebEngineView::loadFinished);
        window.browser().navigate(server.url(QStringLiteral("/directory")).toString());
        QVERIFY(loaded.wait(20000));
        QVERIFY(loaded.first().first().toBool());

        window.tabButton(1)->click();
        auto* links = window.area(1)->findChild<LinksArea*>();
        QVERIFY(links);
        QSignalSpy harvested(links, &LinksArea::linksHarvested);
        QTest::mouseClick(links->findChild<QAbstractButton*>(QStringLiteral("Command10")), Qt::LeftButton);
        QVERIFY(harvested.wait(20000));

        const QString root = QString::fromUtf8(base);
        const QStringList expectedList{root + "missing", root + "picture", root + "site1", root + "site2",
                                       root + "site3"};
        QCOMPARE(workspace.linkList().entries(), expectedList);

        server.clearRequests();
        window.tabButton(3)->click();
        auto* run = window.findChild<BatchRun*>();
        QVERIFY(run);
        QSignalSpy finished(run, &BatchRun::finished);
        QTest::mouseClick(window.area(3)->findChild<QAbstractButton*>(QStringLiteral("Command14")),
                          Qt::LeftButton);
        QVERIFY(finished.wait(30000));

        // The run asked for exactly the list, once each, in list order.
        QStringList visited;
        for (const TestHttpRequest& request : server.requests())
            visited << root + QString::fromUtf8(request.target).mid(1);
        QCOMPARE(visited, expectedList);

        // The missing page (404) and the picture (not HTML) are refused.
        const ResultsTable& results = workspace.results();
        // Header, three rows in run order, and the table's one empty row below them.
        QCOMPARE(results.tableRowCount(), 5);
        const QStringList titles{"Site One", "Site Two", "Site Three"};
        for (int row = 1; row <= 3; ++row) {
            QCOMPARE(results.cell(row, 0), QString::number(row));
            QCOMPARE(results.cell(row, 1), titles.at(row - 1));
            QCOMPARE(results.cell(row, 4), expectedList.at(row + 1));
        }
        QCOMPARE(results.cell(4, 4), QString());
    }
}

int runLinksRoadTests(int argc, char** argv)
{
    LinksRoadTests tests;
    return QTest::qExec(&tests, argc, argv);
}

#include "tst_LinksRoad.moc"
