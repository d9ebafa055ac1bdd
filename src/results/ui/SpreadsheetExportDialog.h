#pragma once

#include <QString>

class QWidget;
class SpreadsheetExporter;

// The window side of "Export to Excel": the busy pointer while the workbook
// is written and the warning box when the export fails.
class SpreadsheetExportDialog
{
public:
    // Arrow-with-hourglass from started() to finished()/failed(), the
    // warning box on failed() and the note on cellsCut().
    static void attach(SpreadsheetExporter& exporter, QWidget* parent);
};
