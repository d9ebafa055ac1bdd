#include "DataAreaFixture.h"
#include "TestHttpServer.h"
#include "results/ui/DataAreaProgressBar.h"
#include "results/ui/ResultsGrid.h"
#include "run/BatchRun.h"
#include "run/RecheckRun.h"
#include "run/ui/RefusedUrlsView.h"
#include "run/ui/TestFrame.h"
#include "shell/ui/RecheckDialog.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QTextEdit>
#include <QtTest>

namespace {

QByteArray page(const QByteArray& title, const QByteArray& body = "text")
{
    return "<html><head><title>" + title + "</title></head><body>" + body + "</body></html>";
}

// Waits for the one message box a command opened on the area and returns it.
QMessageBox* openedBox(QWidget* area)
{
    QMessageBox* found = nullptr;
    QTest::qWaitFor(
        [&] {
            for (QMessageBox* box : area->findChildren<QMessageBox*>())
                if (box->isVisible())
                    found = box;
            return found != nullptr;
        },
        5000);
    return found;
}

const QStringList RunButtons = {"Command14", "Command34", "Command35", "Command41"};

} // namespace

class DataRunTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void startsWithItsDesignTexts();
    void getDataFillsTheGridInRunOrder();
    void testThisUrlTestsTheRowsUrl_data();
    void testThisUrlTestsTheRowsUrl();
    void runLocksTheAreaUntilItEnds();
    void stopDuringARunEndsItAfterTheUrlAtWork();
    void pageBufferShowsAHugePageCut_data();
    void pageBufferShowsAHugePageCut();
    void stopWithoutARunOnlyMarksTheRequest();
    void saveAndLoadGoThroughTheSettingsFileName();
    void saveAndLoadReadTheSettingsWhenTheyRun_data();
    void saveAndLoadReadTheSettingsWhenTheyRun();
    void failedSaveSaysSo();
    void exportHandsTheWholeTableOver();
    void failedExportWarns();
    void abandonedPagesAreReported();
    void connectionsAreKeptInThePreferences();
    void reportViewShowsEveryOutcomeWithItsLinkBack();
    void everyFetchEndsWithinTheTimeOut_data();
    void everyFetchEndsWithinTheTimeOut();

private:
    QPushButton* button(const char* name) const { return m_f->button(name); }
    QLabel* label(const char* name) const { return m_f->label(name); }
    void addLinks(const QStringList& paths);

    std::unique_ptr<DataAreaFixture> m_f;
    std::unique_ptr<TestHttpServer> m_server;
};

void DataRunTest::init()
{
    m_server = std::make_unique<TestHttpServer>();
    m_f = std::make_unique<DataAreaFixture>();
    QVERIFY(m_f->dir.isValid());
    QVERIFY(m_f->show());
}

void DataRunTest::cleanup()
{
    m_f.reset();
    m_server.reset();
    // Whatever a test did, the pointer must be back to normal.
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
}

void DataRunTest::addLinks(const QStringList& paths)
{
    for (const QString& path : paths)
        m_f->workspace->linkList().add(m_server->url(path).toString());
}

void DataRunTest::startsWithItsDesignTexts()
{
    const QList<QPair<const char*, QString>> captions = {
        {"Command14", "Get Data"},           {"Command8", "Stop"},
        {"Command34", "Save to ASCII File"}, {"Command35", "Load from ASCII File"},
        {"Command41", "Export to Excel"},
    };
    for (const auto& [name, text] : captions) {
        QVERIFY2(button(name) != nullptr, name);
        QCOMPARE(button(name)->text(), text);
        QVERIFY(button(name)->isEnabled());
    }
    QCOMPARE(label("Label4")->text(), QStringLiteral(" Status ...."));
    QCOMPARE(label("Label21")->text(), QStringLiteral("Processed:"));
    QCOMPARE(label("Label22")->text(), QStringLiteral("Added:"));
    QCOMPARE(label("Label20")->text(), QStringLiteral("0"));
    QCOMPARE(label("Label19")->text(), QStringLiteral("0"));
    QCOMPARE(label("Label9")->text(), QStringLiteral("0%"));
    QVERIFY(!button("Command8")->font().bold());
    QVERIFY(m_f->find<DataAreaProgressBar>("Image3") != nullptr);
    QCOMPARE(m_f->find<DataAreaProgressBar>("Image3")->filledWidth(), 0);
    QVERIFY(m_f->find<QPlainTextEdit>("RichTextBox3")->isReadOnly());
    QVERIFY(m_f->find<QTextEdit>("RichTextBox2")->isHidden());

    ResultsGrid* grid = m_f->grid();
    QVERIFY(grid->verticalHeader()->isHidden());
    QStringList header;
    for (int c = 0; c < grid->model()->columnCount(); ++c)
        header << grid->model()->headerData(c, Qt::Horizontal).toString();
    QCOMPARE(header, QStringList({"#", "Title", "Email", "Description", "URL"}));
    QCOMPARE(m_f->dataRows(), QStringList({"||||"}));
}

void DataRunTest::getDataFillsTheGridInRunOrder()
{
    m_server->route("/a", TestHttpResponse::html(page("Alpha <b>&amp;</b>")));
    m_server->route("/b", TestHttpResponse::notFound());
    m_server->route("/c", TestHttpResponse::html(page("Gamma")));
    m_f->workspace->validStatus().add("200 OK");
    addLinks({"/a", "/b", "/c"});
    m_f->setDataRows({"7|old|x|y|z", "8|old|x|y|z", "9|old|x|y|z"});

    QTest::mouseClick(button("Command14"), Qt::LeftButton);
    QTRY_COMPARE(label("Label4")->text(), QStringLiteral(" Done!"));

    QCOMPARE(label("Label20")->text(), QStringLiteral("3"));
    QCOMPARE(label("Label19")->text(), QStringLiteral("2"));
    QCOMPARE(label("Label9")->text(), QStringLiteral("100%"));
    auto* bar = m_f->find<DataAreaProgressBar>("Image3");
    QCOMPARE(bar->filledWidth(), bar->width());
    const QStringList rows = m_f->dataRows();
    QCOMPARE(rows.size(), 3);
    QCOMPARE(m_f->cell(1, 0), QStringLiteral("1"));
    QCOMPARE(m_f->cell(1, 4), m_server->url("/a").toString());
    QVERIFY(m_f->cell(1, 1).contains(QStringLiteral("alpha"), Qt::CaseInsensitive));
    QCOMPARE(m_f->cell(2, 0), QStringLiteral("2"));
    QCOMPARE(m_f->cell(2, 4), m_server->url("/c").toString());
    QCOMPARE(rows.last(), QStringLiteral("||||"));
    // The grid shows the table itself.
    QCOMPARE(m_f->grid()->model()->index(1, 4).data().toString(), m_server->url("/c").toString());
    // The page buffer holds the last page fetched.
    QVERIFY(m_f->find<QPlainTextEdit>("RichTextBox3")->toPlainText().contains("Gamma"));
    for (const QString& name : RunButtons)
        QVERIFY(button(name.toLatin1())->isEnabled());
}

// "Test this URL" on a row of the grid tests the URL of that row, whichever of
// its cells is current; a row without a URL tests nothing.
void DataRunTest::testThisUrlTestsTheRowsUrl_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<QStringList>("tested");

    QTest::newRow("first row") << 0 << 1 << QStringList{"http://a.example/one"};
    QTest::newRow("second row, e-mail cell") << 1 << 2 << QStringList{"http://c.example/three"};
    QTest::newRow("URL cell") << 1 << 4 << QStringList{"http://c.example/three"};
    QTest::newRow("row without a URL") << 2 << 1 << QStringList{};
}

void DataRunTest::testThisUrlTestsTheRowsUrl()
{
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(QStringList, tested);
    m_f->setDataRows({"1|Alpha|a@a.example|One|http://a.example/one",
                      "2|Gamma|c@c.example|Three|http://c.example/three", "3|Empty|||"});

    QSignalSpy tests(m_f->workspace.get(), &Workspace::testRequested);
    m_f->grid()->setCurrentIndex(m_f->grid()->model()->index(row, column));
    m_f->find<QAction>("mnutestrow")->trigger();
    QStringList urls;
    for (const QList<QVariant>& request : std::as_const(tests))
        urls.append(request.first().toString());
    QCOMPARE(urls, tested);
}

void DataRunTest::runLocksTheAreaUntilItEnds()
{
    TestHttpResponse slow = TestHttpResponse::html(page("Slow <i>title</i>"));
    slow.headDelayMs = 400;
    m_server->route("/slow", slow);
    addLinks({"/slow"});
    m_f->setDataRows({"1|a|b|c|d", "2|a|b|c|d", "||||"});
    ResultsGrid* grid = m_f->grid();
    grid->setCurrentIndex(grid->model()->index(0, 1));

    QTest::mouseClick(button("Command14"), Qt::LeftButton);
    QVERIFY(m_f->run->isRunning());
    for (const QString& name : RunButtons)
        QVERIFY2(!button(name.toLatin1())->isEnabled(), qPrintable(name));
    for (const char* box : {"ConnectionsBox", "ConnectionsPerHostBox", "TimeoutBox"})
        QVERIFY2(!m_f->find<QSpinBox>(box)->isEnabled(), box);
    QVERIFY(button("Command8")->isEnabled());
    QVERIFY(QGuiApplication::overrideCursor() != nullptr);
    QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::BusyCursor);
    QCOMPARE(label("Label20")->text(), QStringLiteral("0"));
    QVERIFY(label("Label4")->text().startsWith(QStringLiteral(" Processing: ")));
    QCOMPARE(label("Label4")->textFormat(), Qt::PlainText);

    // The rows the run writes into must stay where it put them.
    const QRect cell = grid->visualRect(grid->model()->index(0, 1));
    doubleClick(grid->viewport(), cell.center());
    QVERIFY(m_f->find<QTextEdit>("RichTextBox2")->isHidden());
    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, cell.center(),
                                grid->viewport()->mapToGlobal(cell.center()));
    QApplication::sendEvent(grid->viewport(), &menuEvent);
    QVERIFY(grid->contextMenu()->isVisible());
    QVERIFY(!grid->removeRowAction()->isEnabled());
    grid->removeRowAction()->trigger();
    grid->contextMenu()->hide();
    QCOMPARE(m_f->workspace->results().tableRowCount(), 2);

    QTRY_COMPARE(label("Label4")->text(), QStringLiteral(" Done!"));
    for (const QString& name : RunButtons)
        QVERIFY(button(name.toLatin1())->isEnabled());
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
    QVERIFY(m_f->workspace->results().isUserEditable());
}

void DataRunTest::stopDuringARunEndsItAfterTheUrlAtWork()
{
    TestHttpResponse slow = TestHttpResponse::html(page("Page"));
    slow.headDelayMs = 300;
    m_server->route("/p*", slow);
    addLinks({"/p1", "/p2", "/p3", "/p4", "/p5"});

    QTest::mouseClick(button("Command14"), Qt::LeftButton);
    QVERIFY(m_f->run->isRunning());
    QTest::mouseClick(button("Command8"), Qt::LeftButton);
    QMessageBox* box = m_f->area->stopConfirmation();
    QVERIFY(box != nullptr);
    QVERIFY(box->isVisible());
    QCOMPARE(box->windowTitle(), QStringLiteral("Quillmark"));
    QCOMPARE(box->text(), QStringLiteral("Let me finish processing this URL, and then I will stop."));
    QCOMPARE(box->buttons().size(), 1);
    QCOMPARE(box->standardButtons(), QMessageBox::Ok);
    // The request is made only when the box closes.
    QVERIFY(!button("Command8")->font().bold());

    // While the box is open the run finishes the URL at work and goes no
    // further: it holds before the next one.
    QTRY_COMPARE(label("Label20")->text(), QStringLiteral("1"));
    QTRY_COMPARE(m_f->run->state(), BatchRun::State::Holding);
    QCOMPARE(label("Label20")->text(), QStringLiteral("1"));
    QVERIFY(m_f->run->isRunning());

    box->button(QMessageBox::Ok)->click();
    QTRY_COMPARE(label("Label4")->text(), QStringLiteral(" Process was killed by Stop button!"));
    QCOMPARE(label("Label20")->text(), QStringLiteral("1"));
    QVERIFY(button("Command8")->font().bold());
    // The URLs after the stop are listed as not reached, as in the run's report.
    QCOMPARE(button("RefusedToggle")->text(), QStringLiteral("Refused URLs (4)"));
    const RunReport report = m_f->run->report();
    QCOMPARE(report.lines().size(), 5);
    QCOMPARE(report.lines().at(0).outcome, QStringLiteral("accepted"));
    const QList<RunReport::Line> shown = m_f->area->refusedUrls().lines();
    QCOMPARE(shown.size(), 4);
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(shown.at(i).index, i + 2);
        QCOMPARE(shown.at(i).url, report.lines().at(i + 1).url);
        QCOMPARE(shown.at(i).outcome, QStringLiteral("not reached"));
    }
    // Shown on demand over the grid, and copied as tab-separated lines.
    QTest::mouseClick(button("RefusedToggle"), Qt::LeftButton);
    RefusedUrlsView* view = m_f->area->refusedView();
    QVERIFY(view->isVisible());
    QCOMPARE(view->model()->rowCount(), 4);
    view->selectAll();
    QCOMPARE(view->selectedText().section(u'\n', 0, 0),
             QStringLiteral("2\t%1\tnot reached\t\t\t\t").arg(m_server->url("/p2").toString()));
    QTest::mouseClick(button("RefusedToggle"), Qt::LeftButton);
    QVERIFY(!view->isVisible());
    QTRY_VERIFY(m_f->area->stopConfirmation() == nullptr);
    for (const QString& name : RunButtons)
        QVERIFY(button(name.toLatin1())->isEnabled());
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);

    // The next "Get Data" clears the request and visits every URL.
    QTest::mouseClick(button("Command14"), Qt::LeftButton);
    QVERIFY(!button("Command8")->font().bold());
    QTRY_COMPARE_WITH_TIMEOUT(label("Label4")->text(), QStringLiteral(" Done!"), 10000);
    QCOMPARE(label("Label20")->text(), QStringLiteral("5"));
    QCOMPARE(button("RefusedToggle")->text(), QStringLiteral("Refused URLs (0)"));
}

void DataRunTest::pageBufferShowsAHugePageCut_data()
{
    const int limit = DataArea::PageBufferDisplayLimit;
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("shown");
    const QString full(limit, u'x');
    QTest::newRow("at the limit") << full << full;
    QTest::newRow("one more") << full + u'y' << full + "\n[1 more characters not shown]";
    // A character outside the 16-bit range is never cut in half.
    const QString pair = QString::fromUcs4(U"\U0001F600");
    const QString straddling = QString(limit - 1, u'x') + pair + u'z';
    QTest::newRow("surrogate pair at the cut")
        << straddling << QString(limit - 1, u'x') + "\n[3 more characters not shown]";
}

void DataRunTest::pageBufferShowsAHugePageCut()
{
    QFETCH(QString, page);
    QFETCH(QString, shown);
    QCOMPARE(DataArea::pageBufferDisplayText(page), shown);
}

void DataRunTest::stopWithoutARunOnlyMarksTheRequest()
{
    QTest::mouseClick(button("Command8"), Qt::LeftButton);
    QMessageBox* box = m_f->area->stopConfirmation();
    QVERIFY(box != nullptr);
    // A second click cannot stack a second question.
    button("Command8")->click();
    QCOMPARE(m_f->area->findChildren<QMessageBox*>().size(), 1);
    box->button(QMessageBox::Ok)->click();
    QVERIFY(button("Command8")->font().bold());
    QCOMPARE(label("Label4")->text(), QStringLiteral(" Status ...."));
    QVERIFY(button("Command14")->isEnabled());
    QVERIFY(!m_f->run->isHeld());
}

void DataRunTest::saveAndLoadGoThroughTheSettingsFileName()
{
    Settings& settings = m_f->workspace->settings();
    settings.setText(Key::OutputASCIIFile, "results.txt");
    settings.setText(Key::OutputASCIIDelimeter, "<>");
    const QStringList rows = {"1|Title one|a@example.com|First|http://one.example/", "3|T|||http://three/",
                              "||||"};
    m_f->setDataRows(rows);

    QTest::mouseClick(button("Command34"), Qt::LeftButton);
    QFile file(QDir(m_f->dir.path()).filePath("results.txt"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("1<>Title one<>a@example.com<>First<>http://one.example/\r\n"
                                        "3<>T<><><>http://three/\r\n"
                                        "<><><><>\r\n"));
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);

    m_f->setDataRows({"9|other||||"});
    QTest::mouseClick(button("Command35"), Qt::LeftButton);
    QCOMPARE(m_f->dataRows(), rows);
    QCOMPARE(m_f->grid()->model()->rowCount(), 3);
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
}

void DataRunTest::saveAndLoadReadTheSettingsWhenTheyRun_data()
{
    QTest::addColumn<QString>("loadDelimiter");
    QTest::addColumn<QStringList>("loaded");
    QTest::newRow("same delimiter") << "|[@]|" << QStringList({"1|a|b|c|d"});
    QTest::newRow("changed delimiter") << ";" << QStringList({"1|[@]|a|[@]|b|[@]|c|[@]|d||||"});
}

void DataRunTest::saveAndLoadReadTheSettingsWhenTheyRun()
{
    QFETCH(QString, loadDelimiter);
    QFETCH(QStringList, loaded);
    Settings& settings = m_f->workspace->settings();
    settings.setText(Key::OutputASCIIFile, "first.txt");
    settings.setText(Key::OutputASCIIDelimeter, "|[@]|");
    m_f->setDataRows({"1|a|b|c|d"});
    button("Command34")->click();
    settings.setText(Key::OutputASCIIDelimeter, loadDelimiter);
    button("Command35")->click();
    QCOMPARE(m_f->dataRows(), loaded);

    // A load of a file that is not there leaves the table as it is.
    settings.setText(Key::OutputASCIIFile, "missing.txt");
    button("Command35")->click();
    QCOMPARE(m_f->dataRows(), loaded);
}

void DataRunTest::failedSaveSaysSo()
{
    // An empty name names the program folder itself, which no file replaces.
    m_f->workspace->settings().setText(Key::OutputASCIIFile, "");
    QSignalSpy failed(m_f->area.get(), &DataArea::saveFailed);
    button("Command34")->click();
    QCOMPARE(failed.size(), 1);
    QMessageBox* box = openedBox(m_f->area.get());
    QVERIFY(box != nullptr);
    QCOMPARE(box->windowTitle(), QStringLiteral("Quillmark"));
    QVERIFY2(box->text().contains(QDir::cleanPath(m_f->dir.path())) ||
                 box->text().contains(QDir::toNativeSeparators(m_f->dir.path())),
             qPrintable(box->text()));
    QCOMPARE(box->text(), failed.first().first().toString());
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
    box->button(QMessageBox::Ok)->click();
    QTRY_VERIFY(m_f->area->findChildren<QMessageBox*>().isEmpty());
}

void DataRunTest::exportHandsTheWholeTableOver()
{
    m_f = std::make_unique<DataAreaFixture>(QStringLiteral("true"));
    QVERIFY(m_f->show());
    m_f->setDataRows({"1|a|b|c|d", "||||"});
    QSignalSpy done(m_f->exporter.get(), &SpreadsheetExporter::finished);
    button("Command41")->click();
    QTRY_COMPARE(done.size(), 1);
    const QString path = done.first().first().toString();
    QVERIFY(path.endsWith(".xlsx"));
    QVERIFY(QFileInfo(path).size() > 0);
    QVERIFY(m_f->area->findChildren<QMessageBox*>().isEmpty());
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
}

void DataRunTest::failedExportWarns()
{
    button("Command41")->click();
    QMessageBox* box = openedBox(m_f->area.get());
    QVERIFY(box != nullptr);
    QCOMPARE(box->windowTitle(), QStringLiteral("Print to Excel"));
    QCOMPARE(box->icon(), QMessageBox::Warning);
    QCOMPARE(box->standardButtons(), QMessageBox::Ok);
    QVERIFY(box->text().startsWith(SpreadsheetExporter::MissingApplicationText));
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
    box->button(QMessageBox::Ok)->click();
}

int runDataRunTests(int argc, char** argv)
{
    DataRunTest test;
    return QTest::qExec(&test, argc, argv);
}

void DataRunTest::abandonedPagesAreReported()
{
    // A page whose analysis runs out of time gets no row, and the user is told
    // which, rather than left to take the missing row for a refusal.
    m_server->route("/slow", TestHttpResponse::html(page("Slow")));
    addLinks({"/slow"});
    m_f->run->setAnalysisTimeLimit(std::chrono::milliseconds(0));

    QTest::mouseClick(button("Command14"), Qt::LeftButton);
    QMessageBox* box = openedBox(m_f->area.get());
    QVERIFY(box != nullptr);
    QCOMPARE(box->objectName(), QStringLiteral("AbandonedPages"));
    QCOMPARE(box->windowTitle(), QStringLiteral("Quillmark"));
    QCOMPARE(box->text(),
             QStringLiteral("The analysis of 1 page took too long and was abandoned; it got no row:\n\n") +
                 m_server->url("/slow").toString());
    QCOMPARE(m_f->dataRows(), QStringList({"||||"}));
    QCOMPARE(label("Label4")->text(), QStringLiteral(" Done!"));
    box->button(QMessageBox::Ok)->click();
}

// The number of connections and the time-out are set in the area, go to the
// run, and are kept in preferences.ini of the program folder, not in links.ini.
void DataRunTest::connectionsAreKeptInThePreferences()
{
    auto* connections = m_f->find<QSpinBox>("ConnectionsBox");
    QCOMPARE(connections->value(), 6);
    connections->setValue(3);
    m_f->find<QSpinBox>("ConnectionsPerHostBox")->setValue(1);
    auto* timeout = m_f->find<QSpinBox>("TimeoutBox");
    QCOMPARE(timeout->value(), 20);
    QCOMPARE(timeout->text(), QStringLiteral("20 s"));
    timeout->setValue(7);
    QCOMPARE(m_f->run->fetchLimits().connections, 3);
    QCOMPARE(m_f->run->timeoutSeconds(), 7);
    QFile file(m_f->dir.filePath(QStringLiteral("preferences.ini")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    QVERIFY2(text.contains("[Run]") && text.contains("Connections=3") &&
                 text.contains("ConnectionsPerHost=1") && text.contains("Timeout=7"),
             text.constData());
    QVERIFY(!QFile::exists(m_f->dir.filePath(QStringLiteral("links.ini"))));

    DataArea again(*m_f->workspace, *m_f->run, *m_f->exporter);
    QCOMPARE(again.findChild<QSpinBox*>(QStringLiteral("ConnectionsBox"))->value(), 3);
    QCOMPARE(again.findChild<QSpinBox*>(QStringLiteral("ConnectionsPerHostBox"))->value(), 1);
    QCOMPARE(again.findChild<QSpinBox*>(QStringLiteral("TimeoutBox"))->value(), 7);
}

// With a site set, the run report view shows each URL's link back, the
// accepted ones too once the filter asks for them; "Recheck links back" goes
// over the grid's rows and leaves them as they are.
void DataRunTest::reportViewShowsEveryOutcomeWithItsLinkBack()
{
    m_server->route("/a", TestHttpResponse::html(page("Alpha", "<a href=\"https://example.com/\">me</a>")));
    m_server->route("/b", TestHttpResponse::notFound());
    m_server->route(
        "/c", TestHttpResponse::html(page("Gamma", "<a href=\"http://example.com/\" rel=\"ugc\">me</a>")));
    m_f->workspace->validStatus().add("200 OK");
    m_f->setMySites({QStringLiteral("example.com")});
    addLinks({"/a", "/b", "/c"});
    QTest::mouseClick(button("Command14"), Qt::LeftButton);
    QTRY_COMPARE(label("Label4")->text(), QStringLiteral(" Done!"));
    // The rows the usual checks give, whatever the link-back verdicts.
    QCOMPARE(label("Label19")->text(), QStringLiteral("2"));
    QCOMPARE(button("RefusedToggle")->text(), QStringLiteral("Refused URLs (1)"));

    auto* filter = m_f->find<QComboBox>("ReportFilter");
    QCOMPARE(filter->currentText(), QStringLiteral("Refused"));
    QTest::mouseClick(button("RefusedToggle"), Qt::LeftButton);
    RefusedUrlsView* view = m_f->area->refusedView();
    QCOMPARE(view->model()->headerData(6, Qt::Horizontal).toString(), QStringLiteral("Link back"));
    QCOMPARE(view->model()->rowCount(), 1);
    filter->setCurrentText(QStringLiteral("Accepted"));
    QCOMPARE(view->model()->rowCount(), 2);
    QCOMPARE(view->model()->index(0, 6).data().toString(), QStringLiteral("followed"));
    QCOMPARE(view->model()->index(1, 6).data().toString(), QStringLiteral("nofollow"));
    QCOMPARE(view->model()->index(1, 6).data(Qt::ToolTipRole).toString(),
             QStringLiteral("nofollow \u2014 <a href=\"http://example.com/\" rel=\"ugc\">me</a>"));
    filter->setCurrentText(QStringLiteral("All"));
    QCOMPARE(view->model()->rowCount(), 3);
    // A refused page has a verdict too: an error page is not read for links.
    QCOMPARE(view->model()->index(1, 6).data().toString(), QStringLiteral("page gone"));

    const QStringList rows = m_f->dataRows();
    QTest::mouseClick(button("RecheckButton"), Qt::LeftButton);
    auto* dialog = m_f->area->findChild<RecheckDialog*>(QStringLiteral("RecheckDialog"));
    QVERIFY(dialog);
    // The run journaled its verdicts, so the followed link is kept, not new.
    QTRY_COMPARE_WITH_TIMEOUT(dialog->summaryText(),
                              QStringLiteral("2 partners: 1 kept, 1 unchanged without a followed link"),
                              10000);
    QCOMPARE(m_f->dataRows(), rows);
    dialog->close();
}

// A partner whose host's robots.txt never answers, and a partner page that
// never answers, with a time-out of 2 s: the run, the test and the re-check,
// in the window and in quillmark-batch, all end long before the 20 s a fetch
// waits by default.
void DataRunTest::everyFetchEndsWithinTheTimeOut_data()
{
    QTest::addColumn<QString>("how");
    for (const char* how : {"Get Data", "Test", "Recheck links back", "quillmark-batch",
                            "quillmark-batch --test", "quillmark-batch --recheck"})
        QTest::newRow(how) << QString::fromLatin1(how);
}

void DataRunTest::everyFetchEndsWithinTheTimeOut()
{
    QFETCH(QString, how);
    constexpr int WellBeforeTwentySeconds = 12000;
    TestHttpResponse silent = TestHttpResponse::html("User-agent: *\nAllow: /\n", "text/plain");
    silent.headDelayMs = 60000;
    m_server->route("/robots.txt", silent);
    m_server->route("/partner",
                    TestHttpResponse::html(page("Partner", "<a href=\"https://example.com/\">me</a>")));
    TestHttpServer silentHost(QHostAddress(QStringLiteral("127.0.0.2")));
    silentHost.route("/partner", silent);
    const QString partner = m_server->url("/partner").toString();
    const QStringList urls{partner, silentHost.url(QStringLiteral("/partner")).toString()};

    if (how.startsWith(QLatin1String("quillmark-batch"))) {
        const QString links = m_f->dir.filePath(QStringLiteral("partners.txt"));
        QFile file(links);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(urls.join(u'\n').toUtf8() + '\n');
        file.close();
        QStringList arguments{QStringLiteral("--folder"),  m_f->dir.path(),
                              QStringLiteral("--timeout"), QStringLiteral("2"),
                              QStringLiteral("--my-site"), QStringLiteral("example.com")};
        if (how.endsWith(QLatin1String("--test")))
            arguments << QStringLiteral("--test") << partner;
        else if (how.endsWith(QLatin1String("--recheck")))
            arguments << QStringLiteral("--recheck") << links;
        else
            arguments << QStringLiteral("--output") << m_f->dir.filePath(QStringLiteral("out.txt")) << links;
        QProcess batch;
        batch.start(QCoreApplication::applicationDirPath() + QStringLiteral("/quillmark-batch"), arguments);
        QVERIFY(batch.waitForFinished(WellBeforeTwentySeconds));
        QVERIFY2(batch.exitCode() == 0, batch.readAllStandardError().constData());
        return;
    }

    // The window's own run, with the fetch limits it has there.
    m_f->area.reset();
    m_f->run = std::make_unique<BatchRun>(m_f->workspace->settings(), m_f->workspace->linkList(),
                                          m_f->workspace->badWords(), m_f->workspace->validStatus());
    m_f->area = std::make_unique<DataArea>(*m_f->workspace, *m_f->run, *m_f->exporter);
    QVERIFY(m_f->show());
    m_f->find<QSpinBox>("TimeoutBox")->setValue(2);
    m_f->setMySites({QStringLiteral("example.com")});
    if (how == QLatin1String("Get Data")) {
        for (const QString& url : urls)
            m_f->workspace->linkList().add(url);
        QTest::mouseClick(button("Command14"), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(label("Label4")->text(), QStringLiteral(" Done!"), WellBeforeTwentySeconds);
    } else if (how == QLatin1String("Test")) {
        TestFrame frame(*m_f->workspace);
        QSignalSpy finished(&frame, &TestFrame::testFinished);
        frame.testUrl(partner);
        QVERIFY(finished.wait(WellBeforeTwentySeconds));
    } else {
        m_f->setDataRows({"1|A|||" + urls[0], "2|B|||" + urls[1]});
        QTest::mouseClick(button("RecheckButton"), Qt::LeftButton);
        auto* dialog = m_f->area->findChild<RecheckDialog*>(QStringLiteral("RecheckDialog"));
        QVERIFY(dialog && dialog->run());
        QTRY_VERIFY_WITH_TIMEOUT(!dialog->run()->isRunning(), WellBeforeTwentySeconds);
        dialog->close();
    }
}

#include "tst_DataRun.moc"
