#include "store/StoreQueries.h"

#include "store/JournalWriter.h"
#include "store/RunLiveness.h"
#include "store/SqliteConnection.h"
#include "store/SqliteStatement.h"

#include <sqlite3.h>

namespace {

constexpr char RunColumns[] = "id, started_at, ended_at, ending, settled, list_size, processed, rows, "
                              "list_path, list_hash, context";
// The columns recordFrom() reads, in its order.
constexpr char OutcomeColumns[] =
    "position, url, kind, reason, status_line, content_type, bytes, milliseconds, checked_at, attempts, "
    "row_number, title, email, description, row_url, link_back, link_back_evidence, link_back_anchor_text, "
    "link_back_target, link_back_final_url, link_back_source";

QByteArray sql(std::initializer_list<const char*> parts)
{
    QByteArray text;
    for (const char* part : parts)
        text += part;
    return text;
}

} // namespace

StoreQueries::StoreQueries(SqliteConnection& db, RunLiveness& liveness) : m_db(db), m_liveness(liveness) {}

RunRecord StoreQueries::runFrom(const SqliteStatement& s) const
{
    RunRecord run;
    run.id = s.integer(0);
    run.startedAt = s.integer(1);
    run.endedAt = s.integer(2);
    run.ending = RunRecord::Ending(s.integer(3));
    run.settled = s.integer(4) != 0;
    run.listSize = int(s.integer(5));
    run.processed = int(s.integer(6));
    run.rows = int(s.integer(7));
    run.listPath = s.text(8);
    run.listHash = s.text(9);
    run.context = s.text(10);
    run.live = run.ending == RunRecord::Ending::Interrupted && m_liveness.isLive(run.id);
    return run;
}

UrlRecord StoreQueries::recordFrom(const SqliteStatement& s, int first)
{
    UrlRecord r;
    int c = first;
    r.position = int(s.integer(c++));
    r.url = s.text(c++);
    r.kind = UrlRecord::Kind(s.integer(c++));
    r.reason = s.text(c++);
    r.statusLine = s.text(c++);
    r.contentType = s.text(c++);
    r.bytes = s.integer(c++);
    r.milliseconds = s.integer(c++);
    r.checkedAt = s.integer(c++);
    r.attempts = int(s.integer(c++));
    r.row.number = int(s.integer(c++));
    r.row.title = s.text(c++);
    r.row.email = s.text(c++);
    r.row.description = s.text(c++);
    r.row.url = s.text(c++);
    if (r.row.url.isNull())
        r.row.url = r.url;
    if (const auto kind = s.optionalInteger(c++)) {
        UrlRecord::LinkBackFields& link = r.linkBack.emplace();
        link.kind = int(*kind);
        link.evidence = s.text(c++);
        link.anchorText = s.text(c++);
        link.target = s.text(c++);
        link.finalUrl = s.text(c++);
        link.source = s.text(c++);
    }
    return r;
}

QVector<RunRecord> StoreQueries::runsWhere(const char* condition, const QString& text, qint64 number,
                                           int limit) const
{
    const QByteArray query =
        sql({"SELECT ", RunColumns, " FROM runs WHERE ", condition, " ORDER BY id DESC"});
    SqliteStatement s(m_db.handle(), query.constData());
    if (!text.isNull())
        s.bind(1, text);
    else
        s.bind(1, number);
    QVector<RunRecord> runs;
    while ((limit < 0 || runs.size() < limit) && s.step() == SQLITE_ROW)
        runs.append(runFrom(s));
    return runs;
}

QVector<RunRecord> StoreQueries::runs(int limit) const
{
    return runsWhere("1", QString(), 0, limit);
}

std::optional<RunRecord> StoreQueries::run(qint64 runId) const
{
    const auto found = runsWhere("id = ?1", QString(), runId, 1);
    return found.isEmpty() ? std::nullopt : std::optional(found.first());
}

std::optional<RunRecord> StoreQueries::newestInterrupted() const
{
    const QByteArray query =
        sql({"SELECT ", RunColumns, " FROM runs WHERE ending IS NULL AND settled = 0 ORDER BY id DESC"});
    SqliteStatement s(m_db.handle(), query.constData());
    while (s.step() == SQLITE_ROW) {
        const RunRecord run = runFrom(s);
        if (!run.live)
            return run;
    }
    return std::nullopt;
}

std::optional<RunRecord> StoreQueries::lastRunOfList(const QString& listPath) const
{
    const auto found = runsWhere("list_path = ?1", listPath, 0, 1);
    return found.isEmpty() ? std::nullopt : std::optional(found.first());
}

QStringList StoreQueries::list(qint64 runId) const
{
    SqliteStatement s(m_db.handle(), "SELECT list FROM runs WHERE id = ?1");
    s.bind(1, runId);
    return s.step() == SQLITE_ROW ? JournalWriter::unpackList(s.blob(0)) : QStringList();
}

QVector<UrlRecord> StoreQueries::outcomes(qint64 runId) const
{
    return outcomesWhere(runId, "");
}

QVector<UrlRecord> StoreQueries::rows(qint64 runId) const
{
    return outcomesWhere(runId, " AND kind = 1");
}

QVector<UrlRecord> StoreQueries::outcomesWhere(qint64 runId, const char* condition) const
{
    const QByteArray query =
        sql({"SELECT ", OutcomeColumns, " FROM outcomes WHERE run_id = ?1", condition, " ORDER BY position"});
    SqliteStatement s(m_db.handle(), query.constData());
    s.bind(1, runId);
    QVector<UrlRecord> records;
    while (s.step() == SQLITE_ROW)
        records.append(recordFrom(s, 0));
    return records;
}

int StoreQueries::resumePosition(qint64 runId) const
{
    // The outcomes come in list order, so they are nearly always 1..k without
    // a gap; the first gap is where the run went no further.
    SqliteStatement s(m_db.handle(), "SELECT position FROM outcomes WHERE run_id = ?1 ORDER BY position");
    s.bind(1, runId);
    int expected = 1;
    while (s.step() == SQLITE_ROW && s.integer(0) == expected)
        ++expected;
    return expected;
}

QStringList StoreQueries::failedUrls(qint64 runId) const
{
    SqliteStatement s(m_db.handle(), R"(SELECT url FROM outcomes WHERE run_id = ?1
        AND (kind = 3 OR (kind <> 1 AND status_code BETWEEN 500 AND 599)) ORDER BY position)");
    s.bind(1, runId);
    QStringList urls;
    while (s.step() == SQLITE_ROW)
        urls.append(s.text(0));
    return urls;
}

QHash<QString, StoreQueries::Check> StoreQueries::lastChecks(const QStringList& urls) const
{
    const QByteArray query =
        sql({"SELECT run_id, ", OutcomeColumns,
             " FROM outcomes WHERE url = ?1 ORDER BY checked_at DESC, run_id DESC LIMIT 1"});
    SqliteStatement s(m_db.handle(), query.constData());
    QHash<QString, Check> checks;
    for (const QString& url : urls) {
        if (checks.contains(url))
            continue;
        s.bind(1, url);
        if (s.step() == SQLITE_ROW)
            checks.insert(url, Check{s.integer(0), recordFrom(s, 1)});
        s.reset();
    }
    return checks;
}

std::optional<StoreQueries::Check> StoreQueries::previousLinkBack(const QString& url,
                                                                  qint64 beforeRunId) const
{
    const QByteArray query = sql({"SELECT run_id, ", OutcomeColumns,
                                  " FROM outcomes WHERE url = ?1 AND link_back IS NOT NULL AND (?2 = 0 OR "
                                  "run_id < ?2) ORDER BY checked_at DESC, run_id DESC LIMIT 1"});
    SqliteStatement s(m_db.handle(), query.constData());
    s.bind(1, url);
    s.bind(2, beforeRunId);
    if (s.step() != SQLITE_ROW)
        return std::nullopt;
    return Check{s.integer(0), recordFrom(s, 1)};
}

bool StoreQueries::settle(qint64 runId) const
{
    SqliteStatement s(m_db.handle(), "UPDATE runs SET settled = 1 WHERE id = ?1");
    s.bind(1, runId);
    return s.run() == SQLITE_DONE;
}

bool StoreQueries::deleteRun(qint64 runId) const
{
    if (m_liveness.isLive(runId) || m_db.exec("BEGIN IMMEDIATE") != SQLITE_OK)
        return false;
    SqliteStatement outcomes(m_db.handle(), "DELETE FROM outcomes WHERE run_id = ?1");
    SqliteStatement runs(m_db.handle(), "DELETE FROM runs WHERE id = ?1");
    outcomes.bind(1, runId);
    runs.bind(1, runId);
    if (outcomes.run() == SQLITE_DONE && runs.run() == SQLITE_DONE && m_db.exec("COMMIT") == SQLITE_OK)
        return true;
    m_db.exec("ROLLBACK");
    return false;
}
