#pragma once

#include <QObject>
#include <QPointer>
#include <functional>

class BatchRun;
class QMessageBox;
class QWidget;
class ResultsTable;

// Nothing is lost on close: closing the window while a run is going first
// asks whether to stop it; once no run is going, rows added or edited since
// the last save or load make it ask "Save the results before closing?".
// The questions are open()ed; the window closes when they are answered so.
// Escape and a question's close button answer Cancel: the window and its
// rows stay.
class ClosePrompt : public QObject
{
    Q_OBJECT

public:
    static constexpr const char* SaveQuestion = "Save the results before closing?";
    static constexpr const char* StopQuestion =
        "A run is going. Let me finish processing this URL, and then I will stop and close.";

    // save: as "Save to ASCII File"; true when the file was written.
    ClosePrompt(QWidget* window, BatchRun& run, ResultsTable& results, std::function<bool()> save);

    // The question open now, else null.
    QMessageBox* question() const { return m_question; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Whether the window may close now; if not, asks.
    bool mayClose();
    void askToStop();
    void askToSave();
    void closeAnyway();

    QWidget* m_window;
    BatchRun& m_run;
    ResultsTable& m_results;
    std::function<bool()> m_save;
    QPointer<QMessageBox> m_question;
    bool m_closing = false;       // the answers are in: the next close goes through
    bool m_closeAfterRun = false; // stop asked for: close once the run has ended
};
