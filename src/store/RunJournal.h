#pragma once

#include "store/RunRecord.h"
#include "store/UrlRecord.h"

#include <QObject>
#include <QStringList>
#include <QVector>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

class JournalWriter;

// The journal of one run. The run hands it each URL's record as the URL's
// turn completes (record(), cheap and never blocking on the disk); a writer
// thread of its own commits them in small transactions, at the latest
// CommitInterval after the first one waiting, or as soon as BatchSize are
// waiting. A commit is safe from the end of the process (a kill, a crash)
// once committed() counts it. The interval is what bounds the loss on a kill;
// the batch only bounds a transaction. Each commit rewrites the pages of the
// URL index it touches, scattered as URLs are, so a run over local pages at
// thousands of URLs a second would pay for every small batch: at 50 a commit
// the journal cost such a run twice what it does at 500.
//
// Made by RunStore::beginRun or RunStore::resumeRun. If the store cannot be
// written while the run goes on (a full disk, say), the journal stops: failed()
// says so once, and later records are dropped; the run itself goes on.
class RunJournal : public QObject
{
    Q_OBJECT

public:
    static constexpr int CommitIntervalMs = 100;
    static constexpr int BatchSize = 500;
    // A batch that finds the store locked past the busy time-out this many
    // times in a row stops the journal.
    static constexpr int MostBusyTries = 5;

    // A new run with its list as it is at the start.
    RunJournal(const QString& storePath, int busyTimeoutMs, int keepRuns, const RunRecord& run,
               const QStringList& urls, QObject* parent = nullptr);
    // Takes up the stored, interrupted run runId, to record its remaining URLs.
    RunJournal(const QString& storePath, int busyTimeoutMs, qint64 resumeRunId, QObject* parent = nullptr);
    // Commits what is waiting and waits for the writer to end. Without finish()
    // the run is left without an end, as an interrupted one.
    ~RunJournal() override;

    // Thread-safe. A record with checkedAt 0 is stamped with the time now.
    void record(const UrlRecord& record);
    // The run ended: commits what is waiting, then the end, then the writer ends.
    // Later records are dropped.
    void finish(RunRecord::Ending ending);

    // 0 until the writer has stored the run.
    qint64 runId() const { return m_runId.load(); }
    // How many records are committed, and the highest position among them.
    qint64 committed() const { return m_committed.load(); }
    int committedPosition() const { return m_committedPosition.load(); }
    bool hasFailed() const { return m_failed.load(); }

Q_SIGNALS:
    // From the writer thread; connect with a queued (or automatic) connection.
    void began(qint64 runId);
    void committedChanged(qint64 count);
    void failed(const QString& message);
    // The run's end is stored (after finish()).
    void ended();

private:
    void start();
    void writerLoop();
    bool beginOnWriter(JournalWriter& writer);
    void fail(int code, bool atStart);

    QString m_path;
    int m_busyTimeoutMs;
    int m_keepRuns = 0;
    RunRecord m_run;
    QStringList m_urls;
    qint64 m_resumeRunId = 0;

    std::mutex m_mutex;
    std::condition_variable m_wake;
    QVector<UrlRecord> m_waiting;
    std::optional<RunRecord::Ending> m_ending;
    bool m_closing = false;

    std::atomic<qint64> m_runId{0};
    std::atomic<qint64> m_committed{0};
    std::atomic<int> m_committedPosition{0};
    std::atomic<bool> m_failed{false};
    std::atomic<bool> m_accepting{true};
    std::thread m_writer;
};
