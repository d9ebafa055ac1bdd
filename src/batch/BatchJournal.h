#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class BatchRun;
class ResultsTable;
class RunJournalFeed;
class RunStore;

// quillmark-batch's side of the run journal: the store of the program
// folder, the journal of its run, and what --resume and --retry-failed find in
// the store for a links file.
class BatchJournal
{
public:
    // Where a run over a links file begins.
    struct Plan
    {
        QStringList urls;  // the run's list
        qint64 resumeId = 0; // > 0: going on with this stored run
        int position = 1;  // with resumeId: the first URL without an outcome
        int rows = 0;      // with resumeId: the rows already made
        QString error;     // not empty: there is nothing to run, and why
    };

    BatchJournal(const QString& folder, int keepRuns);
    ~BatchJournal();

    // Empty, or one sentence about the store to show once.
    QString storeMessage() const;

    // The run of the file's URLs as given: journaled with the file's path and a hash of its bytes.
    Plan fresh(const QString& linksFile, const QByteArray& bytes, const QStringList& urls);
    // Goes on with the last run of linksFile, whose bytes must be those that run read;
    // puts its rows back into table.
    Plan resume(const QString& linksFile, const QByteArray& bytes, ResultsTable& table);
    // The URLs of the last run of linksFile whose fetch failed or got a 5xx.
    Plan retryFailed(const QString& linksFile);

    // Journals run from its start, as planned; failures go to report once.
    void attach(BatchRun& run, const Plan& plan, std::function<void(const QString&)> report);

private:
    std::unique_ptr<RunStore> m_store;
    std::unique_ptr<RunJournalFeed> m_feed;
    QString m_listPath;
    QString m_listHash;
};
