#pragma once

#include <QString>
#include <QVector>

class ResultsTable;

// The cells of one spreadsheet export, copied out of the results table on the
// UI thread. The workbook is written from this copy on another thread, so the
// user may go on editing the table (or start a batch run) meanwhile.
struct WorkbookContent
{
    int rows = 0;
    int columns = 0;
    QVector<QString> cells; // row-major, the texts exactly as the table holds them
    int gridStyle = 1;
    QString sheetName; // empty: the spreadsheet's default name

    const QString& cell(int row, int column) const { return cells[qsizetype(row) * columns + column]; }

    // Rows and columns beyond the table are left out rather than exported as
    // blank cells: a caller that passes a stale row count gets the table as it is.
    static WorkbookContent fromTable(const ResultsTable& table, int rows, int columns, int gridStyle,
                                     const QString& sheetName);
};
