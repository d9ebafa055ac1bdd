#pragma once

#include "platform/SaveOutcome.h"
#include "results/WorkbookContent.h"

#include <QDateTime>
#include <QDir>
#include <QString>

// What one workbook write produced.
struct WorkbookResult
{
    SaveOutcome saved;  // ok, the file, and why it is missing when not ok
    QString sheetName;  // the name the sheet got ("Sheet1" when the wanted one was refused)
    QString tableRange; // "A1:E2"; empty when no table could be laid over the cells
    QString tableStyle; // "TableStyleLight9"; empty when the table has no style
    int truncatedCells = 0; // cells cut to MaxCellLength
};

// Writes an export's cells into a new .xlsx file with libxlsxwriter. Runs on
// any thread: it touches nothing but its arguments and the file.
class WorkbookWriter
{
public:
    // A spreadsheet cell holds at most this many characters.
    static constexpr int MaxCellLength = 32767;
    static constexpr int MaxColumnWidth = 255;

    struct TableStyle
    {
        int type = 0;   // lxw_table_style_type
        int number = 0; // 0 with the light type: a table without colours
        QString name() const;
    };

    // The built-in table style that stands for a grid style number. 1 is the
    // style the "Export to Excel" button asks for: a light one with a tinted
    // header and banded rows.
    static TableStyle styleFor(int gridStyle);

    // "Quillmark results 2026-12-07 14-03.xlsx" in `folder`, or the first free
    // "... (2).xlsx", "... (3).xlsx". The file is created empty so that two
    // exports in the same minute (from two windows, too) cannot get the same name.
    static SaveOutcome reservePath(const QDir& folder, const QDateTime& when);

    // Cell r, k of the content goes to sheet row r + 1, column k + 1 as the
    // text followed by one space, always as a string, never as a number or a
    // formula. Characters that no XML file may hold are replaced or dropped
    // (U+FFFD for a lone surrogate; U+FFFE and U+FFFF dropped); control
    // characters are kept as the format's escapes. The block from A1 to the
    // last cell becomes a worksheet table with a header row.
    static WorkbookResult write(const WorkbookContent& content, const QString& path);

    // Column width in the spreadsheet's units (widths of the digit 0) that
    // shows `text` whole in the default font.
    static double widthOf(const QString& text);
};
