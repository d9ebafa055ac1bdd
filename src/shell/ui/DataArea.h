#pragma once

#include "platform/ui/WaitCursor.h"
#include "run/RefusedUrlsModel.h"

#include <QMessageBox>
#include <QPointer>
#include <QStringList>
#include <QWidget>
#include <memory>
#include <optional>

class BatchRun;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTextEdit;
class RefusedUrlsView;
class ResultsGrid;
class RunHistory;
class RunReportPane;
class RunTableFeed;
class SpreadsheetExporter;
class Workspace;

namespace Ui {
class DataArea;
}

// The "4. Data" area: the batch run's buttons, counters, status line, progress
// bar and page buffer along the top, the results grid with its cell editor,
// and under it the strip of run controls (RunStripWidget). The file buttons
// (ResultsFileBar) sit in the top row; the run report (RunReportPane) lies
// over the grid while "Refused URLs" is down.
class DataArea : public QWidget
{
    Q_OBJECT

public:
    // The area exports with an exporter of its own.
    DataArea(Workspace& workspace, BatchRun& run, QWidget* parent = nullptr);
    // The area exports with `exporter`, which must outlive it.
    DataArea(Workspace& workspace, BatchRun& run, SpreadsheetExporter& exporter, QWidget* parent = nullptr);
    ~DataArea() override;

    ResultsGrid* grid() const;
    QTextEdit* cellEditor() const;
    // The URLs of the last run that got no row, and the view that shows them
    // in the grid's place while "Refused URLs" is down.
    const RefusedUrlsModel& refusedUrls() const;
    RefusedUrlsView* refusedView() const;

    // Puts the grid into rect (pixels, in this area): the grid keeps all of
    // it but the strip of run controls along its bottom edge.
    void placeGrid(const QRect& rect);
    // The "Stop" confirmation while it is open, else null.
    QMessageBox* stopConfirmation() const { return m_stopBox; }

    // The page buffer shows at most this many characters of a page: laying out
    // a multi-megabyte page of one line would stall the window for seconds.
    static constexpr int PageBufferDisplayLimit = 256 * 1024;
    static QString pageBufferDisplayText(const QString& page);

    // The run journal's side of the area: retry, recent runs, the question
    // about an interrupted run.
    RunHistory* runHistory() const { return m_history; }
    BatchRun& run() const { return m_run; }
    // The run's rows and texts as this area shows them.
    RunTableFeed& feed() const { return *m_feed; }
    // "Save to ASCII File"; false (after its message box was opened) when the
    // file could not be written.
    bool saveResults();

Q_SIGNALS:
    // A save that failed, after its message box was opened.
    void saveFailed(const QString& message);

private:
    void showFeed();
    void setTabOrder();
    void askToStop();
    void setRunning(bool running);
    void setStopRequested(bool requested);
    void reportAbandoned();
    void showReport(bool shown);
    void testCurrentRow();
    void recheckLinksBack();

    // The form's controls by what they are; the form keeps their design names.
    QPushButton* getDataButton() const; // Command14
    QPushButton* stopButton() const;    // Command8
    QLabel* statusLine() const;         // Label4
    QLabel* processedCounter() const;   // Label20
    QLabel* addedCounter() const;       // Label19
    QLabel* percentLabel() const;       // Label9
    QPlainTextEdit* pageBuffer() const; // RichTextBox3

    std::unique_ptr<Ui::DataArea> m_ui;
    Workspace& m_workspace;
    BatchRun& m_run;
    RunTableFeed* m_feed = nullptr;
    QStringList m_abandoned; // URLs of this run whose analysis ran out of time
    SpreadsheetExporter& m_exporter;
    QPointer<QMessageBox> m_stopBox;
    std::optional<WaitCursor> m_busyCursor; // while a run is going
    RunReportPane* m_report = nullptr;
    RunHistory* m_history = nullptr;
};
