#include "results/ResultsTable.h"
#include "results/SpreadsheetExporter.h"
#include "results/ui/SpreadsheetExportDialog.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

class ExportDialogTest : public QObject
{
    Q_OBJECT

private slots:
    void failureShowsWarningWithoutWaiting();
    void cutCellsAreToldWithoutWaiting();
};

void ExportDialogTest::failureShowsWarningWithoutWaiting()
{
    QTemporaryDir dir;
    QDir(dir.path()).mkpath(QStringLiteral("bin"));
    QWidget window;
    window.show();

    ResultsTable table;
    SpreadsheetExporter exporter(WorkbookOpener(WorkbookOpener::defaultCommands(), {dir.filePath("bin")}),
                                 dir.path());
    SpreadsheetExportDialog::attach(exporter, &window);
    QSignalSpy failed(&exporter, &SpreadsheetExporter::failed);

    QVERIFY(exporter.exportTable(table, table.tableRowCount(), 5, 1, QString()));
    QVERIFY(QApplication::overrideCursor() != nullptr);
    // The box is opened from the failure signal; were it run with exec(),
    // the wait below would never return.
    QVERIFY(failed.wait(60000));
    QCOMPARE(QApplication::overrideCursor(), nullptr);

    auto* box = window.findChild<QMessageBox*>();
    QVERIFY(box);
    QTRY_VERIFY(box->isVisible());
    QCOMPARE(box->windowTitle(), QStringLiteral("Print to Excel"));
    QCOMPARE(box->icon(), QMessageBox::Warning);
    QCOMPARE(box->standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));
    QVERIFY(
        box->text().startsWith(QStringLiteral("You need a spreadsheet application to use this function")));
    QVERIFY(box->text().contains(QStringLiteral(".xlsx")));

    QPointer<QMessageBox> guard(box);
    box->button(QMessageBox::Ok)->click();
    QTRY_VERIFY(guard.isNull()); // it deletes itself when closed
}

void ExportDialogTest::cutCellsAreToldWithoutWaiting()
{
    QTemporaryDir dir;
    QDir(dir.path()).mkpath(QStringLiteral("bin"));
    QWidget window;
    window.show();

    ResultsTable table;
    table.setCell(1, 3, QString(40000, u'x'));
    SpreadsheetExporter exporter(WorkbookOpener({}, {dir.filePath("bin")}), dir.path());
    SpreadsheetExportDialog::attach(exporter, &window);
    QSignalSpy failed(&exporter, &SpreadsheetExporter::failed);
    QVERIFY(exporter.exportTable(table, table.tableRowCount(), 5, 1, QString()));
    QVERIFY(failed.wait(60000));

    QMessageBox* note = nullptr;
    for (QMessageBox* box : window.findChildren<QMessageBox*>())
        if (box->windowTitle() == QStringLiteral("Quillmark"))
            note = box;
    QVERIFY(note);
    QTRY_VERIFY(note->isVisible());
    QCOMPARE(note->text(),
             QStringLiteral("1 cell was longer than 32,767 characters and was cut to fit the workbook."));
    QCOMPARE(note->standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));
}

QTEST_MAIN(ExportDialogTest)
#include "tst_export_dialog.moc"
