#pragma once

#include <QString>

class QMessageBox;
class QWidget;
class SpreadsheetExporter;

// The window side of "Export to Excel": the busy pointer while the workbook
// is written and the warning box when the export fails.
class SpreadsheetExportDialog
{
public:
    // Shows a warning box with an OK button, window-modal to `parent`,
    // without waiting for it; the box deletes itself when closed.
    static QMessageBox* ShowWarning(QWidget* parent, const QString& title, const QString& message);

    // Shows an information box titled with the application's title, in the
    // same way.
    static QMessageBox* ShowNote(QWidget* parent, const QString& message);

    // Arrow-with-hourglass from started() to finished()/failed(), the
    // warning box on failed() and the note on cellsCut().
    static void Attach(SpreadsheetExporter& exporter, QWidget* parent);
};
