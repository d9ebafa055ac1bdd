#pragma once

#include "shell/ui/RecentRunsDialog.h"

#include <QObject>
#include <QPointer>

class BatchRun;
class QMessageBox;
class QPushButton;
class QWidget;

class RunJournalFeed;
class Workspace;

// What the "4. Data" area does with the run journal: journals each run of
// the link list, says once what is wrong with the store or the journal, asks
// at start what to do with a run that was interrupted, and serves "Retry
// failed URLs" and "Recent runs…".
class RunHistory : public QObject
{
    Q_OBJECT

public:
    static constexpr const char* NoFailedUrls = "The last run has no failed URLs to retry.";

    RunHistory(Workspace& workspace, BatchRun& run, QWidget* area, QPushButton* retryButton,
               QPushButton* recentButton);
    ~RunHistory() override;

    // Once the window is up: the store's message, if any, then the question
    // about an interrupted run, if any.
    void showStartMessages();
    // The question about the interrupted run while it is open, else null.
    QMessageBox* interruptedQuestion() const { return m_question; }
    RecentRunsDialog* recentRunsDialog() const { return m_recent; }

    // Resume: the rows back, the run's list as the link list, and the run
    // goes on at its first URL without an outcome.
    void resumeRun(qint64 runId);
    // The URLs whose fetch failed in the last run become the link list.
    void retryFailed();
    void showRecentRuns();

private:
    void askAboutInterrupted();
    void showJournalFailure(const QString& message);

    Workspace& m_workspace;
    BatchRun& m_run;
    QWidget* m_area;
    RunJournalFeed* m_feed;
    QPointer<QMessageBox> m_question;
    QPointer<RecentRunsDialog> m_recent;
    bool m_journalFailureShown = false;
};
