#include "store/RunJournal.h"

#include "store/JournalWriter.h"
#include "platform/LogCategories.h"
#include "store/StoreOpener.h"
#include "store/StoreSchema.h"

#include <QDateTime>
#include <chrono>
#include <sqlite3.h>

RunJournal::RunJournal(const QString& storePath, int busyTimeoutMs, int keepRuns, const RunRecord& run,
                       const QStringList& urls, QObject* parent)
    : QObject(parent), m_path(storePath), m_busyTimeoutMs(busyTimeoutMs), m_keepRuns(keepRuns), m_run(run),
      m_urls(urls)
{
    if (m_run.startedAt == 0)
        m_run.startedAt = QDateTime::currentMSecsSinceEpoch();
    start();
}

RunJournal::RunJournal(const QString& storePath, int busyTimeoutMs, qint64 resumeRunId, QObject* parent)
    : QObject(parent), m_path(storePath), m_busyTimeoutMs(busyTimeoutMs), m_resumeRunId(resumeRunId)
{
    start();
}

RunJournal::~RunJournal()
{
    {
        std::lock_guard lock(m_mutex);
        m_closing = true;
    }
    m_wake.notify_one();
    if (m_writer.joinable())
        m_writer.join();
}

void RunJournal::start()
{
    m_writer = std::thread([this] { writerLoop(); });
}

void RunJournal::record(const UrlRecord& record)
{
    if (!m_accepting.load(std::memory_order_relaxed))
        return;
    std::size_t waiting;
    {
        std::lock_guard lock(m_mutex);
        m_waiting.append(record);
        if (m_waiting.constLast().checkedAt == 0)
            m_waiting.last().checkedAt = QDateTime::currentMSecsSinceEpoch();
        waiting = std::size_t(m_waiting.size());
    }
    // The writer sleeps until the first record arrives, then waits at most
    // CommitInterval for a batch to fill: wake it for the first and the last.
    if (waiting == 1 || waiting == BatchSize)
        m_wake.notify_one();
}

void RunJournal::finish(RunRecord::Ending ending)
{
    m_accepting.store(false);
    {
        std::lock_guard lock(m_mutex);
        if (!m_ending)
            m_ending = ending;
        m_closing = true;
    }
    m_wake.notify_one();
}

void RunJournal::fail(int code, bool atStart)
{
    m_accepting.store(false);
    m_failed.store(true);
    {
        std::lock_guard lock(m_mutex);
        m_waiting.clear();
    }
    const auto verdict = StoreSchema::verdictOf(code);
    QString message;
    if (atStart && m_resumeRunId != 0 && code == SQLITE_BUSY)
        message = QStringLiteral("The interrupted run is already being continued elsewhere. "
                                 "This run is not journaled.");
    else
        message = StoreOpener::failureMessage(int(verdict), m_path, false);
    qCDebug(lcStore) << "journal stops:" << code << message;
    Q_EMIT failed(message);
}

bool RunJournal::beginOnWriter(JournalWriter& writer)
{
    int code = writer.open();
    if (code == SQLITE_OK)
        code = m_resumeRunId != 0 ? writer.resume(m_resumeRunId) : writer.begin(m_run, m_urls);
    m_urls.clear();
    if (code != SQLITE_OK) {
        fail(code, true);
        return false;
    }
    m_runId.store(writer.runId());
    Q_EMIT began(writer.runId());
    // Pruning belongs to a new run; a failure there costs space, not records.
    if (m_resumeRunId == 0) {
        code = writer.prune(m_keepRuns);
        if (code != SQLITE_OK)
            qCDebug(lcStore) << "pruning failed:" << code;
    }
    return true;
}

void RunJournal::writerLoop()
{
    JournalWriter writer(m_path, m_busyTimeoutMs);
    if (!beginOnWriter(writer))
        return;
    int busyTries = 0;
    for (;;) {
        QVector<UrlRecord> batch;
        bool closing;
        std::optional<RunRecord::Ending> ending;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return !m_waiting.isEmpty() || m_closing; });
            m_wake.wait_for(lock, std::chrono::milliseconds(CommitIntervalMs),
                            [this] { return m_waiting.size() >= BatchSize || m_closing; });
            batch.swap(m_waiting);
            m_waiting.reserve(BatchSize);
            closing = m_closing;
            ending = m_ending;
        }
        if (!batch.isEmpty()) {
            const int code = writer.write(batch);
            if (code == SQLITE_BUSY && ++busyTries < MostBusyTries) {
                // Another program held the store past the busy time-out: keep
                // the records, in order, for the next try.
                std::lock_guard lock(m_mutex);
                m_waiting = batch + m_waiting;
                continue;
            }
            busyTries = 0;
            if (code != SQLITE_OK) {
                fail(code, false);
                return;
            }
            int highest = m_committedPosition.load();
            for (const UrlRecord& r : batch)
                highest = std::max(highest, r.position);
            m_committedPosition.store(highest);
            Q_EMIT committedChanged(m_committed.fetch_add(batch.size()) + batch.size());
        }
        if (closing) {
            std::lock_guard lock(m_mutex);
            if (!m_waiting.isEmpty())
                continue; // recorded between the swap and now
        }
        if (closing) {
            if (ending) {
                const int code = writer.end(*ending);
                if (code != SQLITE_OK)
                    fail(code, false);
                else
                    Q_EMIT ended();
            }
            return;
        }
    }
}
