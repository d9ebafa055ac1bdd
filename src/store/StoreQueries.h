#pragma once

#include "store/RunRecord.h"
#include "store/UrlRecord.h"

#include <QHash>
#include <QStringList>
#include <QVector>
#include <optional>

class RunLiveness;
class SqliteConnection;
class SqliteStatement;

// What the window and quillmark-batch ask of the stored runs, answered on the
// caller's own connection. In write-ahead mode a reader never waits for a
// journal that writes, so these are safe on the window's thread; each reads an
// index range, none scans the store.
class StoreQueries
{
public:
    // When a URL was checked and what came of it, in which run.
    struct Check
    {
        qint64 runId = 0;
        UrlRecord record;
    };

    StoreQueries(SqliteConnection& db, RunLiveness& liveness);

    // Newest first; at most `limit` (all when negative).
    QVector<RunRecord> runs(int limit = -1) const;
    std::optional<RunRecord> run(qint64 runId) const;
    // The newest run that never ended, is not going now and whose question
    // (resume, keep or discard) nobody answered yet.
    std::optional<RunRecord> newestInterrupted() const;
    // The newest run over the list file at listPath.
    std::optional<RunRecord> lastRunOfList(const QString& listPath) const;

    // The list as it was when the run started.
    QStringList list(qint64 runId) const;
    // Every stored outcome, in list order; the list's other entries were not reached.
    QVector<UrlRecord> outcomes(qint64 runId) const;
    // The accepted pages, in the order their rows were made.
    QVector<UrlRecord> rows(qint64 runId) const;
    // The first position (from 1) without an outcome: where the run goes on.
    // One past the list when every entry has one.
    int resumePosition(qint64 runId) const;
    // The entries that may do better another time: the fetch failed (no
    // answer, a time-out) or the server answered with a 5xx status. Pages the
    // checks refused are not among them. In list order.
    QStringList failedUrls(qint64 runId) const;

    // The newest check of each URL given that was ever checked.
    QHash<QString, Check> lastChecks(const QStringList& urls) const;
    // The newest link-back verdict for url in a run before beforeRunId (any run when 0).
    std::optional<Check> previousLinkBack(const QString& url, qint64 beforeRunId = 0) const;

    // Notes that someone answered an interrupted run's question.
    bool settle(qint64 runId) const;
    bool deleteRun(qint64 runId) const;

private:
    QVector<RunRecord> runsWhere(const char* condition, const QString& text, qint64 number, int limit) const;
    RunRecord runFrom(const SqliteStatement& s) const;
    static UrlRecord recordFrom(const SqliteStatement& s, int first);
    // The outcomes of a run in list order, narrowed by an SQL condition
    // that begins with " AND", or all of them with "".
    QVector<UrlRecord> outcomesWhere(qint64 runId, const char* condition) const;

    SqliteConnection& m_db;
    RunLiveness& m_liveness;
};
