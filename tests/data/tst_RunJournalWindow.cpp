#include "DataAreaFixture.h"
#include "TestHttpServer.h"
#include "filters/SortedListModel.h"
#include "run/BatchRun.h"
#include "shell/ui/ClosePrompt.h"
#include "shell/ui/RecentRunsDialog.h"
#include "shell/ui/RunHistory.h"
#include "store/RunStore.h"
#include "store/StoreQueries.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

namespace {

QByteArray page(const QByteArray& title)
{
    return "<html><head><title>" + title + "</title></head><body>text</body></html>";
}

QMessageBox* visibleBox(QWidget* parent, const QString& name)
{
    QMessageBox* found = nullptr;
    QTest::qWaitFor(
        [&] {
            found = parent->findChild<QMessageBox*>(name);
            return found && found->isVisible();
        },
        5000);
    return found;
}

QAbstractButton* buttonNamed(QMessageBox* box, const QString& text)
{
    for (QAbstractButton* b : box->buttons())
        if (b->text() == text)
            return b;
    return nullptr;
}

QStringList sortedButtonTexts(QMessageBox* box)
{
    QStringList texts;
    for (QAbstractButton* b : box->buttons())
        texts << b->text();
    texts.sort();
    return texts;
}

// The journal is written on a thread of its own: what the window reads back
// from the store is all there once the run's end is.
bool newestRunIsDone(const Workspace& workspace)
{
    const QVector<RunRecord> runs = workspace.runStore()->queries().runs();
    return !runs.isEmpty() && runs.constFirst().ending == RunRecord::Ending::Done;
}

// "Escape", "close box" (the title bar's close button), or a button's text.
void answerBox(QMessageBox* box, const QString& answer)
{
    if (answer == QLatin1String("Escape"))
        QTest::keyClick(box, Qt::Key_Escape);
    else if (answer == QLatin1String("close box"))
        box->close();
    else
        buttonNamed(box, answer)->click();
}

} // namespace

// The window's side of the run journal: nothing lost on close, an interrupted
// run taken up again, the failed URLs retried, a URL's last check shown.
class RunJournalWindowTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void closeAsksBeforeLosingRows_data();
    void closeAsksBeforeLosingRows();
    void closeDuringARunAsksToStopFirst_data();
    void closeDuringARunAsksToStopFirst();
    void interruptedRunIsAskedAbout_data();
    void interruptedRunIsAskedAbout();
    void failedUrlsBecomeTheLinkListAndEntriesTellTheirLastCheck();
    void recentRunsPutARunsRowsBack();
    void damagedStoreIsReportedOnceAndRunsGoOn();

private:
    void addLinks(const QStringList& paths);
    // As after the program's end: the area, the run and the workspace made anew on the same folder.
    void reopen();

    std::unique_ptr<TestHttpServer> m_server;
    std::unique_ptr<DataAreaFixture> m_f;
};

void RunJournalWindowTest::init()
{
    m_server = std::make_unique<TestHttpServer>();
    m_f = std::make_unique<DataAreaFixture>();
    QVERIFY(m_f->show());
    m_f->workspace->validStatus().add(QStringLiteral("200 OK"));
}

void RunJournalWindowTest::cleanup()
{
    m_f.reset();
    m_server.reset();
}

void RunJournalWindowTest::addLinks(const QStringList& paths)
{
    for (const QString& path : paths)
        m_f->workspace->linkList().add(m_server->url(path).toString());
}

void RunJournalWindowTest::reopen()
{
    const QStringList valid = {QStringLiteral("200 OK")};
    m_f->area.reset();
    m_f->run.reset();
    m_f->workspace.reset();
    m_f->workspace = std::make_unique<Workspace>(ProgramFolder(m_f->dir.path()));
    m_f->workspace->validStatus().setEntries(valid);
    m_f->run = std::make_unique<BatchRun>(m_f->workspace->settings(), m_f->workspace->linkList(),
                                          m_f->workspace->badWords(), m_f->workspace->validStatus());
    m_f->area = std::make_unique<DataArea>(*m_f->workspace, *m_f->run, *m_f->exporter);
    QVERIFY(m_f->show());
}

void RunJournalWindowTest::closeAsksBeforeLosingRows_data()
{
    QTest::addColumn<bool>("edited");
    QTest::addColumn<QString>("answer"); // empty: no question expected
    QTest::addColumn<bool>("saveWorks");
    QTest::addColumn<int>("saves");
    QTest::addColumn<bool>("closed");
    QTest::newRow("nothing new") << false << QString() << true << 0 << true;
    QTest::newRow("don't save") << true << QStringLiteral("Don't Save") << true << 0 << true;
    QTest::newRow("cancel") << true << QStringLiteral("Cancel") << true << 0 << false;
    QTest::newRow("save") << true << QStringLiteral("Save") << true << 1 << true;
    QTest::newRow("the save fails") << true << QStringLiteral("Save") << false << 1 << false;
    QTest::newRow("escape") << true << QStringLiteral("Escape") << true << 0 << false;
    QTest::newRow("close box") << true << QStringLiteral("close box") << true << 0 << false;
}

void RunJournalWindowTest::closeAsksBeforeLosingRows()
{
    QFETCH(bool, edited);
    QFETCH(QString, answer);
    QFETCH(bool, saveWorks);
    QFETCH(int, saves);
    QFETCH(bool, closed);
    ResultsTable& table = m_f->workspace->results();
    m_f->setDataRows({QStringLiteral("1|A|a@x|d|u")});
    table.setModified(false); // as after a load
    if (edited)
        QVERIFY(table.setData(table.index(0, 1), QStringLiteral("B")));

    QWidget window;
    int saveCalls = 0;
    new ClosePrompt(&window, *m_f->run, table, [&] {
        ++saveCalls;
        return saveWorks;
    });
    window.show();
    // An answer that keeps the window is given over and over, each time to
    // the question asked anew.
    const int rounds = closed ? 1 : 20;
    for (int round = 0; round < rounds && !answer.isEmpty(); ++round) {
        window.close();
        QPointer<QMessageBox> box = visibleBox(&window, QStringLiteral("SaveBeforeClosing"));
        QVERIFY(box);
        QCOMPARE(box->text(), QStringLiteral("Save the results before closing?"));
        QCOMPARE(sortedButtonTexts(box), QStringList({"Cancel", "Don't Save", "Save"}));
        answerBox(box, answer);
        QTRY_VERIFY(!box);
    }
    if (answer.isEmpty())
        window.close();
    QTRY_COMPARE(window.isVisible(), !closed);
    QTRY_VERIFY(!window.findChild<QMessageBox*>());
    QCOMPARE(window.isVisible(), !closed);
    QCOMPARE(saveCalls, saves * rounds);
}

void RunJournalWindowTest::closeDuringARunAsksToStopFirst_data()
{
    QTest::addColumn<QString>("answer");
    QTest::newRow("stop") << QStringLiteral("Stop");
    QTest::newRow("cancel") << QStringLiteral("Cancel");
    QTest::newRow("escape") << QStringLiteral("Escape");
    QTest::newRow("close box") << QStringLiteral("close box");
}

void RunJournalWindowTest::closeDuringARunAsksToStopFirst()
{
    QFETCH(QString, answer);
    TestHttpResponse slow = TestHttpResponse::html(page("Page"));
    slow.headDelayMs = 200;
    m_server->route("/p*", slow);
    QStringList paths;
    for (int i = 1; i <= 40; ++i)
        paths << QStringLiteral("/p%1").arg(i);
    addLinks(paths);
    // One page at a time: the run lasts while the question is answered over and over.
    m_f->run->setFetchLimits(FetchLimits{1, 1});
    QWidget window;
    new ClosePrompt(&window, *m_f->run, m_f->workspace->results(), [] { return true; });
    window.show();
    m_f->run->start();
    const bool stops = answer == QLatin1String("Stop");
    for (int round = 0; round < (stops ? 1 : 20); ++round) {
        window.close();
        QPointer<QMessageBox> box = visibleBox(&window, QStringLiteral("CloseDuringRun"));
        QVERIFY(box);
        QCOMPARE(box->text(), QStringLiteral("A run is going. Let me finish processing this URL, and then I will "
                                             "stop and close."));
        QCOMPARE(sortedButtonTexts(box), QStringList({"Cancel", "Stop"}));
        QVERIFY(m_f->run->isHeld());
        answerBox(box, answer);
        QTRY_VERIFY(!box);
        QVERIFY(!m_f->run->isHeld());
    }
    if (!stops) {
        QVERIFY(m_f->run->isRunning());
        QVERIFY(window.isVisible());
        return;
    }
    QTRY_VERIFY(!m_f->run->isRunning());
    QVERIFY(m_f->run->processed() < 40);
    // The rows it made are not saved yet: that question comes next.
    QMessageBox* save = visibleBox(&window, QStringLiteral("SaveBeforeClosing"));
    QVERIFY(save);
    QVERIFY(window.isVisible());
    buttonNamed(save, QStringLiteral("Don't Save"))->click();
    QTRY_VERIFY(!window.isVisible());
}

void RunJournalWindowTest::interruptedRunIsAskedAbout_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("allRows"); // else the rows made before the end
    QTest::addColumn<bool>("noRows");
    QTest::addColumn<bool>("later"); // the run stays interrupted and is asked about again
    QTest::newRow("resume") << QStringLiteral("Resume") << true << false << false;
    QTest::newRow("keep") << QStringLiteral("Keep the 2 rows") << false << false << false;
    QTest::newRow("discard") << QStringLiteral("Discard") << false << true << false;
    QTest::newRow("decide later") << QStringLiteral("Decide later") << false << true << true;
    QTest::newRow("escape") << QStringLiteral("Escape") << false << true << true;
    QTest::newRow("close box") << QStringLiteral("close box") << false << true << true;
}

// The program ends in the middle of a run (here: the run and its journal go
// without an end). At the next start the window asks; Resume gives the very
// rows an uninterrupted run gives.
void RunJournalWindowTest::interruptedRunIsAskedAbout()
{
    QFETCH(QString, answer);
    QFETCH(bool, allRows);
    QFETCH(bool, noRows);
    QFETCH(bool, later);
    m_server->route("/p1", TestHttpResponse::html(page("One")));
    m_server->route("/p2", TestHttpResponse::notFound());
    m_server->route("/p3", TestHttpResponse::html(page("Three")));
    m_server->route("/p4", TestHttpResponse::html(page("Four")));
    m_server->route("/p5", TestHttpResponse::html(page("Five")));
    m_server->route("/p6", TestHttpResponse::html(page("Six")));
    addLinks({"/p1", "/p2", "/p3", "/p4", "/p5", "/p6"});
    m_f->run->start();
    QTRY_VERIFY(!m_f->run->isRunning());
    const QStringList uninterrupted = m_f->dataRows();
    QCOMPARE(uninterrupted.size(), 6);
    TestHttpResponse slow = TestHttpResponse::html(page("Four"));
    slow.headDelayMs = 3000;
    m_server->route("/p4", slow);
    m_f->run->setFetchLimits(FetchLimits{1, 1});
    m_f->run->start();
    QTRY_COMPARE(m_f->run->processed(), 3);
    const QStringList before = m_f->dataRows();
    QCOMPARE(before.size(), 3); // two rows and the empty one below them
    reopen();
    m_server->route("/p4", TestHttpResponse::html(page("Four")));

    // The question comes back as long as it is put off.
    for (int round = 0; round < (later ? 20 : 1); ++round) {
        m_f->area->runHistory()->showStartMessages();
        QPointer<QMessageBox> box = visibleBox(m_f->area.get(), QStringLiteral("InterruptedRun"));
        QVERIFY(box);
        QCOMPARE(box->text(), QStringLiteral("A run of 6 URLs was interrupted after 3 (2 rows)."));
        QCOMPARE(sortedButtonTexts(box), QStringList({"Decide later", "Discard", "Keep the 2 rows", "Resume"}));
        m_server->clearRequests();
        // The resumed part proves the links back as "Get Data" would.
        m_f->setMySites({QStringLiteral("example.com")});
        answerBox(box, answer);
        QTRY_VERIFY(!box);
    }
    if (allRows) {
        // The bar stands where the interrupted run left it: 3 of 6.
        QCOMPARE(m_f->label("Label9")->text(), QStringLiteral("50%"));
        QTRY_COMPARE(m_f->label("Label4")->text(), QStringLiteral(" Done!"));
        // Went on from the fourth URL: the first three are not visited again.
        QCOMPARE(m_server->requestCount("/p1"), 0);
        QCOMPARE(m_server->requestCount("/p3"), 0);
        QCOMPARE(m_server->requestCount("/p4"), 1);
        QCOMPARE(m_f->label("Label20")->text(), QStringLiteral("6"));
        QCOMPARE(m_f->label("Label19")->text(), QStringLiteral("5"));
        QCOMPARE(m_f->label("Label9")->text(), QStringLiteral("100%"));
        QCOMPARE(m_f->dataRows(), uninterrupted);
        QCOMPARE(LinkBackVerdict::name(m_f->run->outcomes().constLast().linkBack->kind), QStringLiteral("no link"));
    } else {
        QCOMPARE(m_f->dataRows(), noRows ? QStringList({"||||"}) : before);
    }
    // An answer is kept; a question put off is asked at the next start.
    reopen();
    m_f->area->runHistory()->showStartMessages();
    if (later) {
        QVERIFY(visibleBox(m_f->area.get(), QStringLiteral("InterruptedRun")));
        return;
    }
    // A question, if any, would be open now: it opens within the call.
    QVERIFY(m_f->area->findChild<QMessageBox*>(QStringLiteral("InterruptedRun")) == nullptr);
}

void RunJournalWindowTest::failedUrlsBecomeTheLinkListAndEntriesTellTheirLastCheck()
{
    m_server->route("/ok", TestHttpResponse::html(page("Fine")));
    m_server->route("/gone", TestHttpResponse::notFound());
    TestHttpResponse broken = TestHttpResponse::html(page("Broken"));
    broken.status = 500;
    broken.reason = "Internal Server Error";
    m_server->route("/broken", broken);
    addLinks({"/ok", "/gone", "/broken"});
    m_f->workspace->linkList().add(QStringLiteral("http://127.0.0.1:1/x"));
    QTest::mouseClick(m_f->button("Command14"), Qt::LeftButton);
    QTRY_COMPARE(m_f->label("Label4")->text(), QStringLiteral(" Done!"));
    QTRY_VERIFY(newestRunIsDone(*m_f->workspace));

    SortedListModel& links = m_f->workspace->linkList();
    const auto tip = [&](const QString& url) {
        return links.data(links.index(int(links.entries().indexOf(url))), Qt::ToolTipRole).toString();
    };
    const QRegularExpression stamp(QStringLiteral("^Last checked \\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d: "));
    const QString ok = tip(m_server->url("/ok").toString());
    QVERIFY2(stamp.match(ok).hasMatch(), qPrintable(ok));
    QVERIFY2(ok.endsWith(QStringLiteral(": accepted (row 1)")), qPrintable(ok));
    const QString gone = tip(m_server->url("/gone").toString());
    QVERIFY2(gone.contains(QStringLiteral(": refused \u2014 ")) && gone.contains(QStringLiteral("404 Not Found")),
             qPrintable(gone));
    QVERIFY2(tip(QStringLiteral("http://127.0.0.1:1/x")).contains(QStringLiteral(": failed \u2014 ")),
             qPrintable(tip(QStringLiteral("http://127.0.0.1:1/x"))));

    QTest::mouseClick(m_f->button("RetryFailedButton"), Qt::LeftButton);
    QCOMPARE(links.entries(),
             QStringList({QStringLiteral("http://127.0.0.1:1/x"), m_server->url("/broken").toString()}));
    // A never-checked entry has no tooltip.
    links.add(QStringLiteral("http://127.0.0.1:1/never"));
    QCOMPARE(tip(QStringLiteral("http://127.0.0.1:1/never")), QString());
}

void RunJournalWindowTest::recentRunsPutARunsRowsBack()
{
    m_server->route("/a", TestHttpResponse::html(page("Alpha")));
    addLinks({"/a"});
    m_f->run->start();
    QTRY_VERIFY(!m_f->run->isRunning());
    QTRY_VERIFY(newestRunIsDone(*m_f->workspace));
    const QStringList rows = m_f->dataRows();
    m_f->setDataRows({QStringLiteral("9|other|||")});
    QTest::mouseClick(m_f->button("RecentRunsButton"), Qt::LeftButton);
    RecentRunsDialog* dialog = m_f->area->runHistory()->recentRunsDialog();
    QVERIFY(dialog);
    QTRY_VERIFY(dialog->isVisible());
    auto* table = dialog->findChild<QTableWidget*>(QStringLiteral("RunsTable"));
    QTRY_COMPARE(table->rowCount(), 1);
    QCOMPARE(table->item(0, 1)->text(), QStringLiteral("1"));
    QCOMPARE(table->item(0, 2)->text(), QStringLiteral("1"));
    QCOMPARE(table->item(0, 3)->text(), QStringLiteral("done"));
    dialog->findChild<QPushButton*>(QStringLiteral("PutRowsBackButton"))->click();
    QCOMPARE(m_f->dataRows(), rows);
    dialog->close();
}

// The window starts and runs as without a store; it says once what happened
// to the damaged file, which is moved aside and never deleted.
void RunJournalWindowTest::damagedStoreIsReportedOnceAndRunsGoOn()
{
    m_f->area.reset();
    m_f->run.reset();
    m_f->workspace.reset();
    {
        QFile file(m_f->dir.filePath(QStringLiteral("runs.sqlite")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(8192, 'x'));
    }
    reopen();
    m_f->area->runHistory()->showStartMessages();
    QMessageBox* box = visibleBox(m_f->area.get(), QStringLiteral("StoreMessage"));
    QVERIFY(box);
    QVERIFY2(box->text().contains(QStringLiteral("was damaged. It was moved aside as ")), qPrintable(box->text()));
    box->button(QMessageBox::Ok)->click();
    QTRY_VERIFY(m_f->area->findChild<QMessageBox*>(QStringLiteral("StoreMessage")) == nullptr);
    QCOMPARE(QDir(m_f->dir.path()).entryList({QStringLiteral("runs.sqlite.broken-*")}).size(), 1);

    m_server->route("/a", TestHttpResponse::html(page("Alpha")));
    addLinks({"/a"});
    m_f->run->start();
    QTRY_VERIFY(!m_f->run->isRunning());
    QCOMPARE(m_f->dataRows().size(), 2);
    QTRY_COMPARE(m_f->workspace->runStore()->queries().runs(1).value(0).ending, RunRecord::Ending::Done);
    const QList<QMessageBox*> boxes = m_f->area->findChildren<QMessageBox*>();
    QVERIFY(boxes.isEmpty());
}

int runRunJournalWindowTests(int argc, char** argv)
{
    RunJournalWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_RunJournalWindow.moc"
