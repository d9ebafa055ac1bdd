#include "DataAreaFixture.h"
#include "results/ui/ResultsGrid.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QHeaderView>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextEdit>
#include <QtTest>

class ResultsGridTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void columnWidthsFollowEveryResize_data();
    void columnWidthsFollowEveryResize();
    void fixedColumnNeverBecomesCurrent();
    void fixedColumnStaysWhileScrollingSideways();
    void doubleClickOpensTheEditorOverTheCell_data();
    void doubleClickOpensTheEditorOverTheCell();
    void leavingTheEditorWritesItsWholeText_data();
    void leavingTheEditorWritesItsWholeText();
    void editorStaysOpenForItsOwnMenuAndOtherWindows();
    void doubleClickOnTheFixedColumnEditsNothing();
    void removeSelectedRow_data();
    void removeSelectedRow();

private:
    QModelIndex index(int modelRow, int column) const { return m_grid->model()->index(modelRow, column); }
    QPoint centre(int modelRow, int column) const
    {
        return m_grid->visualRect(index(modelRow, column)).center();
    }
    QTextEdit* editor() const { return m_f->find<QTextEdit>("RichTextBox2"); }
    void rightClick(int modelRow, int column);

    std::unique_ptr<DataAreaFixture> m_f;
    ResultsGrid* m_grid = nullptr;
};

void ResultsGridTest::init()
{
    m_f = std::make_unique<DataAreaFixture>();
    QVERIFY(m_f->show());
    m_grid = m_f->grid();
    QVERIFY(m_grid != nullptr);
    m_f->setDataRows({"1|First title|one@example.com|First description|http://one.example/",
                      "2|Second title|two@example.com|Second description|http://two.example/",
                      "3|Third title||Third description|http://three.example/", "||||"});
}

void ResultsGridTest::cleanup()
{
    m_grid = nullptr;
    m_f.reset();
}

void ResultsGridTest::rightClick(int modelRow, int column)
{
    const QPoint at = centre(modelRow, column);
    QTest::mousePress(m_grid->viewport(), Qt::RightButton, {}, at);
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, m_grid->viewport()->mapToGlobal(at));
    QApplication::sendEvent(m_grid->viewport(), &event);
    QTest::mouseRelease(m_grid->viewport(), Qt::RightButton, {}, at);
}

void ResultsGridTest::columnWidthsFollowEveryResize_data()
{
    QTest::addColumn<int>("gridWidth");
    QTest::addColumn<int>("hashWidth");
    QTest::addColumn<int>("dataWidth");
    // 789 px = 11835 twips: 461.565 -> 462 twips -> 31 px, 2875.905 -> 2876 -> 192 px.
    QTest::newRow("layout example") << 789 << 31 << 192;
    // 500 px = 7500 twips: exact halves 292.5 and 1822.5 go to the even 292 and
    // 1822 (19 and 121 px); rounding them up would give 20 and 122.
    QTest::newRow("halves to even") << 500 << 19 << 121;
    // 1100 px = 16500 twips: 643.5 -> 644 (even) -> 43 px; 4009.5 -> 4010 -> 267 px.
    QTest::newRow("halves up to even") << 1100 << 43 << 267;
}

void ResultsGridTest::columnWidthsFollowEveryResize()
{
    QFETCH(int, gridWidth);
    QFETCH(int, hashWidth);
    QFETCH(int, dataWidth);
    if (ResultsGrid::twipsPerPixel(m_grid) != 15.0)
        QSKIP("The expected widths assume 15 twips per pixel");

    m_f->area->resize(1200, 600);
    // A width dragged by hand lasts only until the next resize.
    m_grid->setColumnWidth(2, 17);
    m_grid->resize(gridWidth, 400);
    QCOMPARE(m_grid->columnWidth(0), hashWidth);
    for (int column = 1; column < 5; ++column)
        QCOMPARE(m_grid->columnWidth(column), dataWidth);
    QCOMPARE(m_grid->frozenColumnView()->columnWidth(0), hashWidth);
    QCOMPARE(m_grid->frozenColumnView()->width(), hashWidth);
}

void ResultsGridTest::fixedColumnNeverBecomesCurrent()
{
    QTest::mouseClick(m_grid->viewport(), Qt::LeftButton, {}, centre(1, 2));
    QCOMPARE(m_grid->currentIndex(), index(1, 2));

    // A click on "#" leaves the current cell where it was.
    QTest::mouseClick(m_grid->viewport(), Qt::LeftButton, {}, centre(2, 0));
    QCOMPARE(m_grid->currentIndex(), index(1, 2));

    // The keyboard stops at the first data column.
    QTest::keyClick(m_grid, Qt::Key_Left);
    QCOMPARE(m_grid->currentIndex(), index(1, 1));
    QTest::keyClick(m_grid, Qt::Key_Left);
    QCOMPARE(m_grid->currentIndex(), index(1, 1));
    QTest::keyClick(m_grid, Qt::Key_Home);
    QCOMPARE(m_grid->currentIndex().column(), 1);

    // A drag or a select-all never takes in a "#" cell.
    QTest::mousePress(m_grid->viewport(), Qt::LeftButton, {}, centre(0, 2));
    QTest::mouseMove(m_grid->viewport(), centre(2, 0));
    QTest::mouseRelease(m_grid->viewport(), Qt::LeftButton, {}, centre(2, 0));
    QCOMPARE(m_grid->currentIndex().column(), 1);
    m_grid->selectAll();
    const QModelIndexList selected = m_grid->selectionModel()->selectedIndexes();
    QCOMPARE(selected.size(), 4 * 4);
    for (const QModelIndex& cell : selected)
        QVERIFY(cell.column() > 0);

    // After a load replaced the rows there is still a current data cell.
    m_f->setDataRows({"5|x|y|z|w"});
    QCOMPARE(m_grid->currentIndex(), index(0, 1));
}

void ResultsGridTest::fixedColumnStaysWhileScrollingSideways()
{
    QScrollBar* bar = m_grid->horizontalScrollBar();
    // The five widths add up to 1.011 of the grid's width, so it always scrolls a little.
    QVERIFY(bar->maximum() > 0);
    QTableView* frozen = m_grid->frozenColumnView();
    QVERIFY(frozen->isVisible());
    const QPoint before = frozen->pos();
    bar->setValue(bar->maximum());
    QCOMPARE(frozen->pos(), before);
    QCOMPARE(frozen->width(), m_grid->columnWidth(0));
    QVERIFY(frozen->isColumnHidden(1) && frozen->isColumnHidden(4) && !frozen->isColumnHidden(0));
    // Rows scroll together.
    m_f->setDataRows(QStringList(60, QStringLiteral("n|t|e|d|u")));
    m_grid->verticalScrollBar()->setValue(m_grid->verticalScrollBar()->maximum());
    QVERIFY(m_grid->verticalScrollBar()->value() > 0);
    QTRY_COMPARE(frozen->verticalScrollBar()->value(), m_grid->verticalScrollBar()->value());
    QCOMPARE(frozen->rowViewportPosition(59), m_grid->rowViewportPosition(59));
    m_grid->verticalScrollBar()->setValue(7);
    QCOMPARE(frozen->rowViewportPosition(0), m_grid->rowViewportPosition(0));
}

void ResultsGridTest::doubleClickOpensTheEditorOverTheCell_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("text");
    QTest::newRow("URL") << 1 << 4 << "http://two.example/";
    QTest::newRow("title") << 0 << 1 << "First title";
    QTest::newRow("empty email") << 2 << 2 << "";
    QTest::newRow("trailing empty row") << 3 << 3 << "";
}

void ResultsGridTest::doubleClickOpensTheEditorOverTheCell()
{
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(QString, text);
    m_grid->horizontalScrollBar()->setValue(0);
    doubleClick(m_grid->viewport(), centre(row, column));
    QTextEdit* edit = editor();
    QVERIFY(edit->isVisible());
    QCOMPARE(edit->toPlainText(), text);
    QVERIFY(edit->hasFocus());
    const QRect cell = m_grid->visualRect(index(row, column));
    const QPoint cellInArea = m_grid->viewport()->mapTo(m_f->area.get(), cell.topLeft());
    QCOMPARE(edit->geometry(), QRect(cellInArea, QSize(m_grid->width() / 2, cell.height())));
}

void ResultsGridTest::leavingTheEditorWritesItsWholeText_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("leaveBy");
    QTest::addColumn<QString>("written");
    QTest::newRow("click on another cell") << " changed"
                                           << "grid"
                                           << "Second title changed";
    QTest::newRow("click on the page buffer") << "!"
                                              << "buffer"
                                              << "Second title!";
    QTest::newRow("tab") << ""
                         << "tab"
                         << "Second title";
    // Escape is no cancel: the text goes back whatever key left the editor.
    QTest::newRow("escape then click") << "x"
                                       << "escape"
                                       << "Second titlex";
}

void ResultsGridTest::leavingTheEditorWritesItsWholeText()
{
    QFETCH(QString, typed);
    QFETCH(QString, leaveBy);
    QFETCH(QString, written);
    doubleClick(m_grid->viewport(), centre(1, 1));
    QTextEdit* edit = editor();
    QVERIFY(edit->hasFocus());
    QTest::keyClicks(edit, typed);

    if (leaveBy == "grid") {
        QTest::mouseClick(m_grid->viewport(), Qt::LeftButton, {}, centre(2, 3));
    } else if (leaveBy == "buffer") {
        auto* buffer = m_f->find<QPlainTextEdit>("RichTextBox3");
        QTest::mouseClick(buffer->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
    } else if (leaveBy == "tab") {
        QTest::keyClick(edit, Qt::Key_Tab);
    } else {
        QTest::keyClick(edit, Qt::Key_Escape);
        QVERIFY(edit->isVisible());
        QTest::mouseClick(m_grid->viewport(), Qt::LeftButton, {}, centre(2, 3));
    }

    QVERIFY(edit->isHidden());
    QCOMPARE(m_f->cell(2, 1), written);
    QVERIFY(m_grid->hasFocus());
    // Only the edited cell changed.
    QCOMPARE(m_f->cell(3, 3), QStringLiteral("Third description"));
    QCOMPARE(m_f->cell(2, 0), QStringLiteral("2"));
}

void ResultsGridTest::editorStaysOpenForItsOwnMenuAndOtherWindows()
{
    doubleClick(m_grid->viewport(), centre(0, 3));
    QTextEdit* edit = editor();
    edit->setPlainText(QStringLiteral("line one\nline two"));
    for (Qt::FocusReason reason : {Qt::PopupFocusReason, Qt::ActiveWindowFocusReason}) {
        QFocusEvent out(QEvent::FocusOut, reason);
        QApplication::sendEvent(edit, &out);
        QVERIFY(edit->isVisible());
        QCOMPARE(m_f->cell(1, 3), QStringLiteral("First description"));
    }
    // Leaving for real writes the lines as typed.
    m_grid->setFocus();
    QVERIFY(edit->isHidden());
    QCOMPARE(m_f->cell(1, 3), QStringLiteral("line one\nline two"));
}

void ResultsGridTest::doubleClickOnTheFixedColumnEditsNothing()
{
    doubleClick(m_grid->viewport(), centre(1, 0));
    QVERIFY(editor()->isHidden());
    QTest::mouseDClick(m_grid->horizontalHeader()->viewport(), Qt::LeftButton, {},
                       QPoint(m_grid->columnViewportPosition(2) + 5, 5));
    QVERIFY(editor()->isHidden());
    QCOMPARE(m_f->dataRows().first(),
             QStringLiteral("1|First title|one@example.com|First description|http://one.example/"));
}

void ResultsGridTest::removeSelectedRow_data()
{
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<int>("selectRow");
    QTest::addColumn<int>("extendToRow"); // -1: a single cell selected
    QTest::addColumn<int>("clickRow");    // the row under the right click
    QTest::addColumn<QStringList>("after");

    const QStringList three = {"1|a|||", "2|b|||", "3|c|||", "||||"};
    QTest::newRow("middle row, right click elsewhere")
        << three << 1 << -1 << 3 << QStringList({"1|a|||", "3|c|||", "||||"});
    QTest::newRow("range removes its end row only")
        << three << 0 << 2 << 0 << QStringList({"1|a|||", "2|b|||", "||||"});
    QTest::newRow("trailing empty row")
        << three << 3 << -1 << 0 << QStringList({"1|a|||", "2|b|||", "3|c|||"});
    QTest::newRow("last data row stays")
        << QStringList({"4|only|||"}) << 0 << -1 << 0 << QStringList({"4|only|||"});
}

void ResultsGridTest::removeSelectedRow()
{
    QFETCH(QStringList, rows);
    QFETCH(int, selectRow);
    QFETCH(int, extendToRow);
    QFETCH(int, clickRow);
    QFETCH(QStringList, after);
    m_f->setDataRows(rows);

    QTest::mouseClick(m_grid->viewport(), Qt::LeftButton, {}, centre(selectRow, 2));
    if (extendToRow >= 0)
        QTest::mouseClick(m_grid->viewport(), Qt::LeftButton, Qt::ShiftModifier, centre(extendToRow, 3));
    const QModelIndex current = m_grid->currentIndex();
    const QModelIndexList selected = m_grid->selectionModel()->selectedIndexes();

    rightClick(clickRow, 1);
    QCOMPARE(m_grid->currentIndex(), current);
    QCOMPARE(m_grid->selectionModel()->selectedIndexes(), selected);
    QMenu* menu = m_grid->contextMenu();
    QCOMPARE(menu->objectName(), QStringLiteral("mnupopup1"));
    QVERIFY(menu->isVisible());
    QCOMPARE(menu->actions().size(), 2);
    QCOMPARE(menu->actions().at(1)->text(), QStringLiteral("Test this URL"));
    QAction* remove = m_grid->removeRowAction();
    QCOMPARE(remove->objectName(), QStringLiteral("mnuRemoveRow"));
    QCOMPARE(remove->text(), QStringLiteral("Remove Selected Row"));
    QVERIFY(remove->isEnabled());
    menu->hide();
    remove->trigger();
    QCOMPARE(m_f->dataRows(), after);
}

int runResultsGridTests(int argc, char** argv)
{
    ResultsGridTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_ResultsGrid.moc"
