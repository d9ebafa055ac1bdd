#pragma once

#include "platform/WorkerTask.h"
#include "results/WorkbookOpener.h"
#include "results/WorkbookWriter.h"

#include <QDir>
#include <QObject>
#include <QString>

class ResultsTable;

// "Export to Excel": the results table in a new spreadsheet workbook, opened
// in the desktop's spreadsheet application.
//
// The cells are copied at the call, on the caller's (UI) thread; the workbook
// is written on a worker thread and the outcome arrives on the caller's thread,
// so the window keeps painting during a large export. One export at a time.
class SpreadsheetExporter : public QObject
{
    Q_OBJECT

public:
    static inline const QString FailureTitle = QStringLiteral("Print to Excel");
    static inline const QString MissingApplicationText =
        QStringLiteral("You need a spreadsheet application to use this function");

    explicit SpreadsheetExporter(WorkbookOpener opener = WorkbookOpener(),
                                 QString outputFolder = QDir::tempPath(), QObject* parent = nullptr);
    ~SpreadsheetExporter() override;

    // "Export to Excel" (FlexGrid_To_Excel): copies rows 0 .. rows - 1 (header
    // included) and columns 0 .. columns - 1 and starts the write. The button
    // passes the whole table, 5 columns, grid style 1 and an empty sheet name.
    // Returns false, and does nothing, while an earlier export is still being
    // written.
    bool exportTable(const ResultsTable& table, int rows, int columns, int gridStyle,
                     const QString& sheetName);

    bool isBusy() const { return m_busy; }

    // The whole write, synchronously, into a new file in `folder`; the
    // workbook is not opened. For tests and measurements.
    static WorkbookResult writeWorkbook(const ResultsTable& table, int rows, int columns, int gridStyle,
                                        const QString& sheetName, const QString& folder = QDir::tempPath());
    static WorkbookResult writeWorkbook(const WorkbookContent& content, const QString& folder,
                                        const QDateTime& when);

    // The warning's text when no application could open the workbook; the
    // path tells the user where the file was left.
    static QString missingApplicationMessage(const QString& workbookPath);

    // What the user is told when `count` cells did not fit a sheet cell.
    static QString cutCellsMessage(int count);

signals:
    void started();
    // The workbook was written but `count` (> 0) cells were cut to fit; comes
    // before finished() or failed().
    void cellsCut(int count, const QString& message);
    void finished(const QString& workbookPath); // written and handed to the application
    void failed(const QString& title, const QString& message);

private:
    void deliver();

    WorkbookOpener m_opener;
    QString m_outputFolder;
    // The write runs on a thread of this object's own and is never cut
    // short: a workbook half written is never left behind by a close.
    WorkerTask<WorkbookResult> m_write{1};
    bool m_busy = false;
};
