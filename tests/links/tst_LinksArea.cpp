#include "TestHttpServer.h"
#include "filters/SortedListModel.h"
#include "links/ui/LinksArea.h"
#include "settings/ProgramFolder.h"
#include "workspace/Workspace.h"
#include "shell/browser/BrowserPane.h"

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>
#include <csignal>
#include <memory>

namespace {

QByteArray page(const QByteArray& body)
{
    return "<!DOCTYPE html><html><head><title>t</title></head><body>" + body + "</body></html>";
}

} // namespace

class LinksAreaTests : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void harvest_data();
    void harvest();
    void getLinksTwiceChangesNothing();
    void busyPointerFromRequestToAnswer();
    void pageThatNeverAnswers_data();
    void pageThatNeverAnswers();
    void clearBeforeAddingWithGetLinks();
    void clearBeforeAddingWithOneTypedUrl();
    void badUrlMatches_data();
    void badUrlMatches();
    void clearAll();
    void rightClickKeepsSelectionAndRemovesIt();
    void copyLinkCopiesTheCurrentEntry();
    void doubleClickOpensTheCurrentEntry();
    void saveThenCancelWritesNothing();
    void saveTakesTheNameAsTyped();
    void failedSaveIsReported();

private:
    QString url(const QString& path) const { return m_server.url(path).toString(); }
    bool load(const QString& path);
    bool getLinks();
    void fillLinks(const QStringList& entries);
    QString counter() const { return m_area->findChild<QLabel*>(QStringLiteral("Label2"))->text(); }
    QListView* listView() const { return m_area->findChild<QListView*>(QStringLiteral("Links")); }
    QPoint rowCenter(int row) const;
    QFileDialog* openSaveDialog();
    static void typeFileName(QFileDialog* dialog, const QString& name);

    TestHttpServer m_server;
    QTemporaryDir m_dir;
    std::unique_ptr<QWebEngineProfile> m_profile; // outlives the browser
    BrowserPane* m_browser = nullptr;
    std::unique_ptr<Workspace> m_workspace;
    LinksArea* m_area = nullptr;
    QStringList m_navigated;
};

void LinksAreaTests::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_server.route(QStringLiteral("/case"),
                   TestHttpResponse::html(page("<a href='/Page'>1</a><p><a href='/page'>2</a></p>"
                                               "<a href='/other'>3</a>")));
    m_server.route(QStringLiteral("/tracking"),
                   TestHttpResponse::html(page("<a href='/r?u=http://real.example/x'>1</a>"
                                               "<a href='/r?u=ftp://files.example/y'>2</a>"
                                               "<a href='https://secure.example/z'>3</a>")));
    m_server.route(QStringLiteral("/notarget"),
                   TestHttpResponse::html(page("<a name='top'>top</a><a href='/x'>x</a>"
                                               "<area href='/map'><form action='/form'></form>")));
    m_server.route(QStringLiteral("/frameset"),
                   TestHttpResponse::html("<!DOCTYPE html><html><head><title>fs</title></head>"
                                          "<frameset cols='*,*,*'><frame src='/f0'><frame src='/f1'>"
                                          "<frame src='/f2'></frameset></html>"));
    m_server.route(QStringLiteral("/iframes3"),
                   TestHttpResponse::html(page("<a href='/own'>own</a><iframe src='/f0'></iframe>"
                                               "<iframe src='/f1'></iframe><iframe src='/f2'></iframe>")));
    m_server.route(QStringLiteral("/iframe1"),
                   TestHttpResponse::html(page("<a href='/own'>own</a><iframe src='/f0'></iframe>")));
    m_server.route(QStringLiteral("/sandboxed"),
                   TestHttpResponse::html(page("<a href='/own'>own</a><iframe src='/f0'></iframe>"
                                               "<iframe sandbox='' src='/f1'></iframe>")));
    m_server.route(QStringLiteral("/f0"), TestHttpResponse::html(page("<a href='/from0'>0</a>")));
    m_server.route(QStringLiteral("/f1"),
                   TestHttpResponse::html(page("<a href='/from1a'>a</a><a href='/from1b'>b</a>")));
    m_server.route(QStringLiteral("/f2"), TestHttpResponse::html(page("<a href='/from2'>2</a>")));
    m_server.route(QStringLiteral("/*"), TestHttpResponse::html(page("<p>nothing here</p>")));

    const ProgramFolder folder(m_dir.path());
    m_profile = std::make_unique<QWebEngineProfile>(); // off the record
    m_browser = new BrowserPane(*m_profile, folder);
    m_browser->resize(640, 480);
}

void LinksAreaTests::cleanupTestCase()
{
    delete m_browser;
    m_browser = nullptr;
    m_profile.reset();
}

void LinksAreaTests::init()
{
    m_navigated.clear();
    m_workspace = std::make_unique<Workspace>(ProgramFolder(m_dir.path()));
    m_area =
        new LinksArea(*m_workspace, *m_browser, [this](const QString& address) { m_navigated << address; });
    m_area->resize(811, 500);
    m_area->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_area));
}

void LinksAreaTests::cleanup()
{
    delete m_area;
    m_area = nullptr;
    m_workspace.reset();
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
}

bool LinksAreaTests::load(const QString& path)
{
    QSignalSpy loaded(m_browser->view(), &QWebEngineView::loadFinished);
    m_browser->navigate(url(path));
    return loaded.wait(20000) && loaded.first().first().toBool();
}

bool LinksAreaTests::getLinks()
{
    QSignalSpy done(m_area, &LinksArea::linksHarvested);
    QTest::mouseClick(m_area->findChild<QPushButton*>(QStringLiteral("Command10")), Qt::LeftButton);
    return done.count() == 1 || done.wait(20000);
}

void LinksAreaTests::fillLinks(const QStringList& entries)
{
    m_workspace->linkList().setEntries(entries);
}

QPoint LinksAreaTests::rowCenter(int row) const
{
    return listView()->visualRect(m_workspace->linkList().index(row)).center();
}

void LinksAreaTests::harvest_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QStringList>("expected"); // paths on the test server, or absolute texts

    QTest::newRow("two links differ only in case") << "/case" << QStringList{"/other", "/Page"};
    QTest::newRow("tracking links unwrapped, https whole")
        << "/tracking"
        << QStringList{"ftp://files.example/y", "http://real.example/x", "https://secure.example/z"};
    QTest::newRow("anchor without a target, areas and forms ignored") << "/notarget" << QStringList{"", "/x"};
    QTest::newRow("frameset of three frames")
        << "/frameset" << QStringList{"/from0", "/from1a", "/from1b", "/from2"};
    QTest::newRow("three inline frames, not the page's own")
        << "/iframes3" << QStringList{"/from0", "/from1a", "/from1b", "/from2"};
    QTest::newRow("one inline frame: the page itself") << "/iframe1" << QStringList{"/own"};
    QTest::newRow("a frame that may not be read adds nothing") << "/sandboxed" << QStringList{"/from0"};
}

void LinksAreaTests::harvest()
{
    QFETCH(QString, path);
    QFETCH(QStringList, expected);
    for (QString& entry : expected) {
        if (entry.startsWith(u'/'))
            entry = url(entry);
    }

    QVERIFY(load(path));
    QVERIFY(getLinks());
    QCOMPARE(m_workspace->linkList().entries(), expected);
    QCOMPARE(counter(), QString::number(expected.size()));
}

void LinksAreaTests::getLinksTwiceChangesNothing()
{
    QVERIFY(load(QStringLiteral("/case")));
    QVERIFY(getLinks());
    const QStringList first = m_workspace->linkList().entries();
    QCOMPARE(first.size(), 2);
    QVERIFY(getLinks());
    QCOMPARE(m_workspace->linkList().entries(), first);
    QCOMPARE(counter(), QStringLiteral("2"));
}

void LinksAreaTests::busyPointerFromRequestToAnswer()
{
    QVERIFY(load(QStringLiteral("/case")));
    fillLinks({QStringLiteral("http://old.example/")});
    QSignalSpy done(m_area, &LinksArea::linksHarvested);
    QTest::mouseClick(m_area->findChild<QPushButton*>(QStringLiteral("Command10")), Qt::LeftButton);
    // The answer comes through the event loop, never inside the click.
    QCOMPARE(done.count(), 0);
    QVERIFY(QGuiApplication::overrideCursor());
    QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    QCOMPARE(counter(), QStringLiteral("0"));
    QVERIFY(done.wait(20000));
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
    QCOMPARE(counter(), QStringLiteral("3"));
}

void LinksAreaTests::pageThatNeverAnswers_data()
{
    QTest::addColumn<QString>("ending"); // what ends the wait
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QString>("expectedCounter");

    QTest::newRow("the bound, empty list") << "bound" << QStringList() << "0";
    QTest::newRow("the bound, list kept") << "bound" << QStringList{"http://old.example/"} << "1";
    QTest::newRow("the next page") << "navigation" << QStringList() << "0";
    QTest::newRow("the renderer's end") << "renderer" << QStringList{"http://old.example/"} << "1";
}

void LinksAreaTests::pageThatNeverAnswers()
{
    QFETCH(QString, ending);
    QFETCH(QStringList, before);
    QFETCH(QString, expectedCounter);

    // A local file: a page of its own site, so leaving it needs nothing of
    // its renderer, which the script keeps busy for good. The parser stops
    // in the script and never reaches the second link.
    const QString hangs = m_dir.filePath(QStringLiteral("hangs.html"));
    QFile file(hangs);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("<!DOCTYPE html><html><head><title>hangs</title></head><body>"
               "<a href='http://before.example/'>1</a><script>while (true) {}</script>"
               "<a href='http://after.example/'>2</a></body></html>");
    file.close();

    // Only the bound's own row can be ended by it in time.
    m_browser->setReadTimeout(ending == QLatin1String("bound") ? 1500 : 600000);
    m_browser->navigateToUrl(QUrl::fromLocalFile(hangs));
    QTRY_COMPARE_WITH_TIMEOUT(m_browser->title(), QStringLiteral("hangs"), 20000);
    fillLinks(before);

    QSignalSpy done(m_area, &LinksArea::linksHarvested);
    QTest::mouseClick(m_area->findChild<QPushButton*>(QStringLiteral("Command10")), Qt::LeftButton);
    QVERIFY(QGuiApplication::overrideCursor());
    QSignalSpy loaded(m_browser->view(), &QWebEngineView::loadFinished);
    if (ending == QLatin1String("navigation"))
        m_browser->navigate(url(QStringLiteral("/iframe1")));
    else if (ending == QLatin1String("renderer"))
        QVERIFY(::kill(pid_t(m_browser->view()->page()->renderProcessPid()), SIGKILL) == 0);
    QVERIFY(done.wait(10000));
    m_browser->setReadTimeout(5000);
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
    QCOMPARE(m_workspace->linkList().entries(), before);
    QCOMPARE(counter(), expectedCounter);

    // The next page is harvested as usual.
    if (ending == QLatin1String("navigation"))
        QVERIFY(loaded.count() > 0 || loaded.wait(20000));
    else
        QVERIFY(load(QStringLiteral("/iframe1")));
    QVERIFY(getLinks());
    QCOMPARE(m_workspace->linkList().count(), before.size() + 1);
    QVERIFY(m_workspace->linkList().entries().contains(url(QStringLiteral("/own"))));
}

void LinksAreaTests::clearBeforeAddingWithGetLinks()
{
    QVERIFY(load(QStringLiteral("/iframe1")));
    fillLinks({QStringLiteral("http://a.example/"), QStringLiteral("http://z.example/")});
    m_area->findChild<QRadioButton*>(QStringLiteral("Option17"))->click();
    QVERIFY(getLinks());
    QCOMPARE(m_workspace->linkList().entries(), QStringList{url(QStringLiteral("/own"))});
    QCOMPARE(counter(), QStringLiteral("1"));
}

void LinksAreaTests::clearBeforeAddingWithOneTypedUrl()
{
    fillLinks({QStringLiteral("http://a.example/"), QStringLiteral("http://b.example/"),
               QStringLiteral("http://c.example/")});
    m_area->findChild<QRadioButton*>(QStringLiteral("Option17"))->click();
    auto* box = m_area->findChild<QLineEdit*>(QStringLiteral("Text31"));
    QCOMPARE(box->text(), QStringLiteral("http://"));
    box->setFocus();

    // The untouched prompt is refused, and a refused text clears nothing.
    QTest::keyClick(box, Qt::Key_Return);
    QCOMPARE(m_workspace->linkList().count(), 3);
    QCOMPARE(box->text(), QStringLiteral("http://"));

    QTest::keyClicks(box, QStringLiteral("typed.example/"));
    QTest::keyClick(box, Qt::Key_Enter);
    QCOMPARE(m_workspace->linkList().entries(), QStringList{QStringLiteral("http://typed.example/")});
    QCOMPARE(counter(), QStringLiteral("1"));
    QCOMPARE(box->text(), QStringLiteral("http://"));
}

void LinksAreaTests::badUrlMatches_data()
{
    QTest::addColumn<QStringList>("patterns");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("one word and one empty entry")
        << QStringList{"casino", ""}
        << QStringList{"http://a.example/", "http://c.example/", "http://e.example/"};
    QTest::newRow("entry matched by two patterns")
        << QStringList{"casino", "example/casino", "d\\."}
        << QStringList{"http://a.example/", "http://c.example/", "http://e.example/"};
    QTest::newRow("invalid pattern empties the list") << QStringList{"*.example"} << QStringList();
    QTest::newRow("no patterns") << QStringList()
                                 << QStringList{"http://a.example/", "http://c.example/",
                                                "http://CASINO.example/", "http://d.example/casino",
                                                "http://e.example/"};
}

void LinksAreaTests::badUrlMatches()
{
    QFETCH(QStringList, patterns);
    QFETCH(QStringList, expected);

    for (const QString& pattern : patterns)
        m_workspace->badUrls().add(pattern);
    fillLinks({QStringLiteral("http://a.example/"), QStringLiteral("http://CASINO.example/"),
               QStringLiteral("http://c.example/"), QStringLiteral("http://d.example/casino"),
               QStringLiteral("http://e.example/")});
    QTest::mouseClick(m_area->findChild<QPushButton*>(QStringLiteral("Command12")), Qt::LeftButton);
    QCOMPARE(m_workspace->linkList().entries(), expected);
    QCOMPARE(counter(), QString::number(expected.size()));
}

void LinksAreaTests::clearAll()
{
    fillLinks({QStringLiteral("http://a.example/"), QStringLiteral("http://b.example/")});
    QCOMPARE(counter(), QStringLiteral("2"));
    QTest::mouseClick(m_area->findChild<QPushButton*>(QStringLiteral("Command3")), Qt::LeftButton);
    QCOMPARE(m_workspace->linkList().count(), 0);
    QCOMPARE(counter(), QStringLiteral("0"));
}

void LinksAreaTests::rightClickKeepsSelectionAndRemovesIt()
{
    const QStringList five{"http://1.example/", "http://2.example/", "http://3.example/", "http://4.example/",
                           "http://5.example/"};
    fillLinks(five);
    QWidget* viewport = listView()->viewport();
    QTest::mouseClick(viewport, Qt::LeftButton, {}, rowCenter(0));
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::ControlModifier, rowCenter(2));
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::ControlModifier, rowCenter(4));
    QCOMPARE(m_workspace->linkList().selectedRows(), (QList<int>{0, 2, 4}));

    // The right button over an unselected entry opens the menu and touches nothing.
    QTest::mousePress(viewport, Qt::RightButton, {}, rowCenter(1));
    QTest::mouseRelease(viewport, Qt::RightButton, {}, rowCenter(1));
    auto* menu = m_area->findChild<QMenu*>(QStringLiteral("mnupopup"));
    QVERIFY(menu);
    QTRY_VERIFY(menu->isVisible());
    QCOMPARE(menu->actions().size(), 3);
    QCOMPARE(menu->actions().at(0)->text(), QStringLiteral("Remove Selected URL(s)"));
    QCOMPARE(menu->actions().at(1)->text(), QStringLiteral("&Copy Link"));
    QCOMPARE(menu->actions().at(2)->text(), QStringLiteral("Test this URL"));
    QCOMPARE(m_workspace->linkList().selectedRows(), (QList<int>{0, 2, 4}));
    QCOMPARE(m_workspace->linkList().currentRow(), 4);

    menu->findChild<QAction*>(QStringLiteral("mnuRemove"))->trigger();
    menu->hide();
    QCOMPARE(m_workspace->linkList().entries(), (QStringList{five.at(1), five.at(3)}));
    QCOMPARE(counter(), QStringLiteral("2"));
}

void LinksAreaTests::copyLinkCopiesTheCurrentEntry()
{
    fillLinks({QStringLiteral("http://a.example/"), QStringLiteral("http://b.example/"),
               QStringLiteral("http://c.example/"), QStringLiteral("http://d.example/")});
    QGuiApplication::clipboard()->setText(QStringLiteral("left over"));
    QWidget* viewport = listView()->viewport();
    QTest::mouseClick(viewport, Qt::LeftButton, {}, rowCenter(0));
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::ControlModifier, rowCenter(3));
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::ControlModifier, rowCenter(1));
    QCOMPARE(m_workspace->linkList().selectedRows().size(), 3);

    QTest::mousePress(viewport, Qt::RightButton, {}, rowCenter(2));
    QTest::mouseRelease(viewport, Qt::RightButton, {}, rowCenter(2));
    auto* menu = m_area->findChild<QMenu*>(QStringLiteral("mnupopup"));
    menu->findChild<QAction*>(QStringLiteral("mnucopy"))->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("http://b.example/"));
    // "Test this URL" takes the same entry.
    QSignalSpy tests(m_workspace.get(), &Workspace::testRequested);
    menu->findChild<QAction*>(QStringLiteral("mnutest"))->trigger();
    menu->hide();
    QCOMPARE(tests.size(), 1);
    QCOMPARE(tests.first().first().toString(), QStringLiteral("http://b.example/"));

    // With no current entry the clipboard is left empty.
    m_workspace->linkList().selectionModel()->clear();
    m_area->copyLink();
    QCOMPARE(QGuiApplication::clipboard()->text(), QString());
}

void LinksAreaTests::doubleClickOpensTheCurrentEntry()
{
    fillLinks({QStringLiteral("http://a.example/"), QStringLiteral("http://b.example/"),
               QStringLiteral("http://c.example/")});
    // The press and release of the first click come before the double-click event.
    QTest::mouseClick(listView()->viewport(), Qt::LeftButton, {}, rowCenter(2));
    QTest::mouseDClick(listView()->viewport(), Qt::LeftButton, {}, rowCenter(2));
    QCOMPARE(m_navigated, QStringList{QStringLiteral("http://c.example/")});
    QVERIFY(m_area->isVisible());
}

QFileDialog* LinksAreaTests::openSaveDialog()
{
    // A closed dialog deletes itself through the event loop; wait until it is gone.
    if (!QTest::qWaitFor([this] { return m_area->findChildren<QFileDialog*>().isEmpty(); }))
        return nullptr;
    QTest::mouseClick(m_area->findChild<QPushButton*>(QStringLiteral("Command2")), Qt::LeftButton);
    auto* dialog = m_area->findChild<QFileDialog*>(QStringLiteral("SaveLinksDialog"));
    if (dialog && !QTest::qWaitForWindowExposed(dialog))
        return nullptr;
    return dialog;
}

void LinksAreaTests::typeFileName(QFileDialog* dialog, const QString& name)
{
    auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    QVERIFY(edit);
    edit->clear();
    QTest::keyClicks(edit, name);
}

void LinksAreaTests::saveThenCancelWritesNothing()
{
    fillLinks({QStringLiteral("http://b.example/"), QStringLiteral("http://A.example/")});
    const QString path = m_dir.filePath(QStringLiteral("saved.txt"));
    QFile::remove(path);

    QFileDialog* dialog = openSaveDialog();
    QVERIFY(dialog);
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Save Links"));
    QCOMPARE(QFileInfo(dialog->directory().absolutePath()), QFileInfo(m_dir.path()));
    QCOMPARE(dialog->nameFilters(), (QStringList{"list files (*.txt)", "all files or custom (*.*)"}));
    QCOMPARE(dialog->selectedNameFilter(), QStringLiteral("list files (*.txt)"));
    QVERIFY(dialog->testOption(QFileDialog::DontConfirmOverwrite));
    QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptSave);
    QVERIFY(QGuiApplication::overrideCursor());
    QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::BusyCursor);

    QSignalSpy finished(m_area, &LinksArea::saveFinished);
    typeFileName(dialog, path);
    static_cast<QDialog*>(dialog)->accept(); // the dialog's own accept, as its Save button
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.first().at(0).toBool(), true);
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
    QFile saved(path);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), QByteArray("http://A.example/\r\nhttp://b.example/\r\n"));
    saved.close();

    // Overwriting needs no answer and replaces the file.
    m_workspace->linkList().removeAt(0);
    dialog = openSaveDialog();
    QVERIFY(dialog);
    QCOMPARE(dialog->selectedFiles().value(0), path);
    static_cast<QDialog*>(dialog)->accept(); // the dialog's own accept, as its Save button
    QCOMPARE(m_area->findChildren<QMessageBox*>().size(), 0);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), QByteArray("http://b.example/\r\n"));
    saved.close();

    // Cancelling after an earlier save writes nothing, though the name is remembered.
    QVERIFY(QFile::remove(path));
    dialog = openSaveDialog();
    QVERIFY(dialog);
    QCOMPARE(dialog->selectedFiles().value(0), path);
    finished.clear();
    dialog->reject();
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.first().at(0).toBool(), false);
    QVERIFY(!QFile::exists(path));
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
}

void LinksAreaTests::saveTakesTheNameAsTyped()
{
    fillLinks({QStringLiteral("http://a.example/")});
    QFile existing(m_dir.filePath(QStringLiteral("README")));
    QVERIFY(existing.open(QIODevice::WriteOnly));
    existing.close();
    const QString path = m_dir.filePath(QStringLiteral("no-extension"));
    QFileDialog* dialog = openSaveDialog();
    QVERIFY(dialog);

    // "all files" lists a file without an extension too.
    auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    auto* files = dialog->findChild<QListView*>(QStringLiteral("listView"));
    QVERIFY(types && files);
    const auto listed = [files](const QString& name) {
        const QAbstractItemModel* model = files->model();
        for (int row = 0; row < model->rowCount(files->rootIndex()); ++row) {
            if (model->index(row, 0, files->rootIndex()).data().toString() == name)
                return true;
        }
        return false;
    };
    QTest::keyClick(types, Qt::Key_Down);
    QCOMPARE(dialog->selectedNameFilter(), QStringLiteral("all files or custom (*.*)"));
    QTRY_VERIFY(listed(QStringLiteral("README")));

    typeFileName(dialog, path);
    static_cast<QDialog*>(dialog)->accept(); // the dialog's own accept, as its Save button
    QVERIFY(QFile::exists(path));
    QVERIFY(!QFile::exists(path + QStringLiteral(".txt")));
}

void LinksAreaTests::failedSaveIsReported()
{
    fillLinks({QStringLiteral("http://a.example/")});
    // A file where a folder should be: the save cannot create its file.
    const QString blocker = m_dir.filePath(QStringLiteral("blocker"));
    QFile file(blocker);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    const QString path = blocker + QStringLiteral("/links.txt");

    QFileDialog* dialog = openSaveDialog();
    QVERIFY(dialog);
    QSignalSpy finished(m_area, &LinksArea::saveFinished);
    typeFileName(dialog, path);
    static_cast<QDialog*>(dialog)->accept(); // the dialog's own accept, as its Save button
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.first().at(0).toBool(), false);
    auto* box = m_area->findChild<QMessageBox*>(QStringLiteral("SaveLinksFailed"));
    QVERIFY(box);
    QTRY_VERIFY(box->isVisible());
    QCOMPARE(box->windowTitle(), QStringLiteral("Quillmark"));
    QVERIFY2(box->text().contains(path), qPrintable(box->text()));
    box->close();
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
}

int runLinksAreaTests(int argc, char** argv)
{
    LinksAreaTests tests;
    return QTest::qExec(&tests, argc, argv);
}

#include "tst_LinksArea.moc"
