#pragma once

#include "store/RunRecord.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVector>
#include <functional>
#include <memory>

class BatchRun;
class RunJournal;
class ResultsTable;
class RunStore;
struct UrlOutcome;
struct UrlRecord;

// Carries a batch run into the run journal: when the run begins, a journal
// with the run's list as it is then; each URL's outcome as its turn completes;
// how the run ended. A run that never ends (the process was killed) stays
// interrupted in the store, ready to be resumed. Without a store, or with the
// journal switched off, it does nothing and the run is the same.
class RunJournalFeed : public QObject
{
    Q_OBJECT

public:
    // listAtStart gives the run's list when a run begins. store may be null.
    RunJournalFeed(RunStore* store, BatchRun& run, std::function<QStringList()> listAtStart,
                   QObject* parent = nullptr);
    ~RunJournalFeed() override;

    // What the next run's record carries: where its list came from (the
    // headless command's file, canonical, and a hash of its bytes). Empty for
    // the window's link list.
    void setListSource(const QString& listPath, const QString& listHash);
    // The next run takes up the stored, interrupted run runId instead of
    // beginning one of its own (BatchRun::resume).
    void resumeNext(qint64 runId) { m_resumeId = runId; }
    // Off: runs are not journaled (for measuring what the journal costs).
    void setEnabled(bool enabled) { m_enabled = enabled; }

    // Puts a stored run's rows back into table as the run had inserted them:
    // the table as a new run leaves it, then the rows in their order.
    static void putRowsBack(ResultsTable& table, const QVector<UrlRecord>& rows);

    // The stored run of the current or last run; 0 before its journal has
    // stored it, or without a journal.
    qint64 runId() const { return m_runId; }
    bool isJournaling() const { return m_journal != nullptr; }

Q_SIGNALS:
    // The journal could not go on (a full disk, a store locked too long):
    // one sentence for the user. The run goes on without it.
    void failed(const QString& message);

private:
    void onRunningChanged(bool running);
    void onOutcome(const UrlOutcome& outcome);
    void onFinished();
    void dropJournal();

    RunStore* m_store;
    BatchRun& m_run;
    std::function<QStringList()> m_listAtStart;
    QString m_listPath;
    QString m_listHash;
    qint64 m_resumeId = 0;
    qint64 m_runId = 0;
    bool m_enabled = true;
    std::unique_ptr<RunJournal> m_journal;
    // Journals whose end is being written; each goes once its writer says so.
    std::vector<std::unique_ptr<RunJournal>> m_ending;
};
