#include "store/JournalWriter.h"

#include <QDataStream>
#include <QDateTime>
#include <QIODevice>
#include <sqlite3.h>

namespace {

// A cell is stored as a text even when it is empty.
QString notNull(const QString& text)
{
    return text.isNull() ? QStringLiteral("") : text;
}

QString nullIfEmpty(const QString& text)
{
    return text.isEmpty() ? QString() : text;
}

} // namespace

JournalWriter::JournalWriter(const QString& path, int busyTimeoutMs)
    : m_path(path), m_busyTimeoutMs(busyTimeoutMs), m_liveness(path)
{}

int JournalWriter::open()
{
    int code = m_db.open(m_path, m_busyTimeoutMs);
    if (code != SQLITE_OK)
        return code;
    // Per connection, as the store's own: see StoreSchema. The URL index of a
    // long run is written at scattered places; 16 MB of cache keeps that of a
    // run of 100,000 URLs in memory instead of reading its pages back.
    code = m_db.exec("PRAGMA synchronous=NORMAL; PRAGMA cache_size=-16384");
    if (code == SQLITE_OK)
        code = m_insert.prepare(m_db.handle(), R"(INSERT OR REPLACE INTO outcomes(run_id, position, url, kind,
            reason, status_line, status_code, content_type, bytes, milliseconds, checked_at, attempts,
            row_number, title, email, description, row_url, link_back, link_back_evidence,
            link_back_anchor_text, link_back_target, link_back_final_url, link_back_source)
            VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14, ?15, ?16, ?17, ?18, ?19, ?20,
            ?21, ?22, ?23))");
    if (code == SQLITE_OK)
        code = m_count.prepare(
            m_db.handle(), "UPDATE runs SET processed = processed + ?2, rows = max(rows, ?3) WHERE id = ?1");
    return code;
}

int JournalWriter::commitOrRollBack(int code)
{
    if (code == SQLITE_OK || code == SQLITE_DONE) {
        code = m_db.exec("COMMIT");
        if (code == SQLITE_OK)
            return code;
    }
    m_db.exec("ROLLBACK");
    return code;
}

int JournalWriter::begin(const RunRecord& run, const QStringList& urls)
{
    int code = m_db.exec("BEGIN IMMEDIATE");
    if (code != SQLITE_OK)
        return code;
    SqliteStatement insert(m_db.handle(), R"(INSERT INTO runs(started_at, list_size, list, list_path,
        list_hash, context, settled) VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7))");
    insert.bind(1, run.startedAt > 0 ? run.startedAt : QDateTime::currentMSecsSinceEpoch());
    insert.bind(2, qint64(urls.size()));
    insert.bind(3, packList(urls));
    insert.bind(4, run.listPath.isEmpty() ? QString() : run.listPath);
    insert.bind(5, run.listHash.isEmpty() ? QString() : run.listHash);
    insert.bind(6, run.context.isEmpty() ? QString() : run.context);
    insert.bind(7, qint64(run.settled ? 1 : 0));
    code = insert.run();
    if (code == SQLITE_DONE) {
        // Held before the row is visible to others, so that no one ever sees
        // the new run without an end and without a holder, as if interrupted.
        m_runId = sqlite3_last_insert_rowid(m_db.handle());
        m_liveness.hold(m_runId);
    }
    code = commitOrRollBack(code);
    if (code != SQLITE_OK)
        m_runId = 0;
    return code;
}

int JournalWriter::resume(qint64 runId)
{
    if (!m_liveness.hold(runId))
        return SQLITE_BUSY;
    int code = m_db.exec("BEGIN IMMEDIATE");
    if (code != SQLITE_OK)
        return code;
    // The counters are counted afresh: the interrupted run may have lost its
    // last transaction, never half of one, but a caller may record a position twice.
    SqliteStatement update(m_db.handle(), R"(UPDATE runs SET resumed_at = ?2, ended_at = NULL, ending = NULL,
        settled = 0, processed = (SELECT count(*) FROM outcomes WHERE run_id = ?1),
        rows = (SELECT coalesce(max(row_number), 0) FROM outcomes WHERE run_id = ?1) WHERE id = ?1)");
    update.bind(1, runId);
    update.bind(2, QDateTime::currentMSecsSinceEpoch());
    code = update.run();
    if (code == SQLITE_DONE && sqlite3_changes(m_db.handle()) == 0)
        code = SQLITE_NOTFOUND;
    code = commitOrRollBack(code);
    if (code == SQLITE_OK)
        m_runId = runId;
    return code;
}

int JournalWriter::prune(int keep)
{
    SqliteStatement old(m_db.handle(),
                        "SELECT id FROM runs WHERE id <> ?1 ORDER BY id DESC LIMIT -1 OFFSET ?2");
    old.bind(1, m_runId);
    old.bind(2, qint64(std::max(keep - 1, 0)));
    QVector<qint64> ids;
    int code;
    while ((code = old.step()) == SQLITE_ROW)
        ids.append(old.integer(0));
    old.reset();
    if (code != SQLITE_DONE)
        return code;
    SqliteStatement outcomes(m_db.handle(), "DELETE FROM outcomes WHERE run_id = ?1");
    SqliteStatement runs(m_db.handle(), "DELETE FROM runs WHERE id = ?1");
    for (qint64 id : ids) {
        if (m_liveness.isLive(id))
            continue; // another process is still writing it
        code = m_db.exec("BEGIN IMMEDIATE");
        if (code != SQLITE_OK)
            return code;
        outcomes.bind(1, id);
        runs.bind(1, id);
        code = outcomes.run();
        if (code == SQLITE_DONE)
            code = runs.run();
        code = commitOrRollBack(code);
        if (code != SQLITE_OK)
            return code;
    }
    return SQLITE_OK;
}

int JournalWriter::write(const QVector<UrlRecord>& records)
{
    int code = m_db.exec("BEGIN IMMEDIATE");
    if (code != SQLITE_OK)
        return code;
    int highestRow = 0;
    code = SQLITE_DONE;
    for (const UrlRecord& r : records) {
        SqliteStatement& s = m_insert;
        s.bind(1, m_runId);
        s.bind(2, qint64(r.position));
        s.bind(3, r.url.isNull() ? QStringLiteral("") : r.url);
        s.bind(4, qint64(r.kind));
        s.bind(5, r.reason.isEmpty() ? QString() : r.reason);
        s.bind(6, r.statusLine.isEmpty() ? QString() : r.statusLine);
        const int status = statusCode(r.statusLine);
        s.bind(7, status > 0 ? std::optional<qint64>(status) : std::nullopt);
        s.bind(8, r.contentType.isEmpty() ? QString() : r.contentType);
        s.bind(9, r.bytes);
        s.bind(10, r.milliseconds);
        s.bind(11, r.checkedAt);
        s.bind(12, qint64(r.attempts));
        if (r.kind == UrlRecord::Kind::Accepted) {
            s.bind(13, qint64(r.row.number));
            s.bind(14, notNull(r.row.title));
            s.bind(15, notNull(r.row.email));
            s.bind(16, notNull(r.row.description));
            // Kept only when the cell differs from the entry.
            s.bind(17, r.row.url.isNull() || r.row.url == r.url ? QString() : r.row.url);
            highestRow = std::max(highestRow, r.row.number);
        }
        if (const auto& link = r.linkBack) {
            s.bind(18, qint64(link->kind));
            s.bind(19, nullIfEmpty(link->evidence));
            s.bind(20, nullIfEmpty(link->anchorText));
            s.bind(21, nullIfEmpty(link->target));
            s.bind(22, nullIfEmpty(link->finalUrl));
            s.bind(23, nullIfEmpty(link->source));
        }
        code = s.run();
        if (code != SQLITE_DONE)
            break;
    }
    if (code == SQLITE_DONE) {
        m_count.bind(1, m_runId);
        m_count.bind(2, qint64(records.size()));
        m_count.bind(3, qint64(highestRow));
        code = m_count.run();
    }
    return commitOrRollBack(code);
}

int JournalWriter::end(RunRecord::Ending ending)
{
    SqliteStatement update(m_db.handle(), R"(UPDATE runs SET ended_at = ?2, ending = ?3,
        processed = (SELECT count(*) FROM outcomes WHERE run_id = ?1) WHERE id = ?1)");
    update.bind(1, m_runId);
    update.bind(2, QDateTime::currentMSecsSinceEpoch());
    if (ending == RunRecord::Ending::Interrupted)
        update.bindNull(3);
    else
        update.bind(3, qint64(ending));
    const int code = update.run();
    return code == SQLITE_DONE ? SQLITE_OK : code;
}

QByteArray JournalWriter::packList(const QStringList& urls)
{
    QByteArray bytes;
    {
        QDataStream out(&bytes, QIODevice::WriteOnly);
        out.setVersion(QDataStream::Qt_6_0);
        for (const QString& url : urls)
            out << url.toUtf8();
    }
    return qCompress(bytes, 6);
}

QStringList JournalWriter::unpackList(const QByteArray& packed)
{
    const QByteArray bytes = qUncompress(packed);
    QDataStream in(bytes);
    in.setVersion(QDataStream::Qt_6_0);
    QStringList urls;
    while (!in.atEnd() && in.status() == QDataStream::Ok) {
        QByteArray url;
        in >> url;
        if (in.status() == QDataStream::Ok)
            urls.append(QString::fromUtf8(url));
    }
    return urls;
}

int JournalWriter::statusCode(const QString& statusLine)
{
    // "HTTP/1.1 503 Service Unavailable", "HTTP/2 200"
    const int space = statusLine.indexOf(QLatin1Char(' '));
    if (space < 0)
        return 0;
    bool ok = false;
    const int code = QStringView(statusLine).mid(space + 1, 3).toInt(&ok);
    return ok ? code : 0;
}
