#include "store/StoreSchema.h"

#include "store/SqliteConnection.h"
#include "store/SqliteStatement.h"

#include <sqlite3.h>

namespace {

// Times are milliseconds since 1970 UTC. kind: 1 accepted, 2 refused, 3 failed.
// ending: NULL while going or interrupted, 1 done, 2 stopped. An outcome's
// row_url is NULL when the "URL" cell holds the entry itself, as it nearly
// always does; link_back is NULL when the run did not check it.
constexpr char SchemaSql[] = R"(
CREATE TABLE runs(
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    started_at INTEGER NOT NULL,
    resumed_at INTEGER,
    ended_at INTEGER,
    ending INTEGER,
    settled INTEGER NOT NULL DEFAULT 0,
    list_size INTEGER NOT NULL,
    list BLOB,
    list_path TEXT,
    list_hash TEXT,
    context TEXT,
    processed INTEGER NOT NULL DEFAULT 0,
    rows INTEGER NOT NULL DEFAULT 0
);
CREATE INDEX runs_by_list_path ON runs(list_path) WHERE list_path IS NOT NULL;
CREATE TABLE outcomes(
    run_id INTEGER NOT NULL,
    position INTEGER NOT NULL,
    url TEXT NOT NULL,
    kind INTEGER NOT NULL,
    reason TEXT,
    status_line TEXT,
    status_code INTEGER,
    content_type TEXT,
    bytes INTEGER,
    milliseconds INTEGER,
    checked_at INTEGER NOT NULL,
    attempts INTEGER,
    row_number INTEGER,
    title TEXT,
    email TEXT,
    description TEXT,
    row_url TEXT,
    link_back INTEGER,
    link_back_evidence TEXT,
    PRIMARY KEY(run_id, position)
) WITHOUT ROWID;
CREATE INDEX outcomes_by_url ON outcomes(url, checked_at);
)";

} // namespace

StoreSchema::Verdict StoreSchema::verdictOf(int code)
{
    switch (code & 0xff) {
    case SQLITE_OK:
    case SQLITE_DONE:
    case SQLITE_ROW:
        return Verdict::Ready;
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
        return Verdict::Broken;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return Verdict::Locked;
    case SQLITE_READONLY:
    case SQLITE_CANTOPEN:
    case SQLITE_PERM:
    case SQLITE_AUTH:
        return Verdict::ReadOnly;
    case SQLITE_FULL:
        return Verdict::Full;
    default:
        return Verdict::Failed;
    }
}

StoreSchema::Verdict StoreSchema::prepare(SqliteConnection& db)
{
    // Nothing is written before the file is known to be ours: the first read
    // meets a file that is not SQLite or a damaged schema, and the version
    // tells a newer program's file or someone else's database.
    int code = SQLITE_OK;
    const qint64 version = db.queryInteger("PRAGMA user_version", &code);
    if (code != SQLITE_OK)
        return verdictOf(code);
    if (version > Version)
        return Verdict::Newer;
    if (version == 0) {
        // An SQLite file without a version but with tables is someone else's database.
        const qint64 objects = db.queryInteger("SELECT count(*) FROM sqlite_master", &code);
        if (code != SQLITE_OK)
            return verdictOf(code);
        if (objects > 0)
            return Verdict::Broken;
    }

    // Write-ahead logging lets the window read while a run of quillmark-batch
    // writes, and a commit survives the process being killed.
    SqliteStatement mode(db.handle(), "PRAGMA journal_mode=WAL");
    if (!mode.isValid())
        return verdictOf(db.lastCode());
    code = mode.step();
    if (code != SQLITE_ROW)
        return verdictOf(code == SQLITE_DONE ? db.lastCode() : code);
    if (mode.text(0) != QLatin1String("wal"))
        return Verdict::ReadOnly;
    mode.reset();
    // NORMAL: a commit reaches the log with the write() that ends it; only a
    // power cut, not the end of the process, can lose the last few.
    db.exec("PRAGMA synchronous=NORMAL");

    // Taking the write lock at once tells a store that cannot be written, or
    // that another program keeps locked, from a good one before any run. The
    // version is read again under the lock: another program may have made
    // the tables in the meantime.
    code = db.exec("BEGIN IMMEDIATE");
    if (code != SQLITE_OK)
        return verdictOf(code);
    const qint64 locked = db.queryInteger("PRAGMA user_version", &code);
    Verdict verdict = verdictOf(code);
    if (verdict == Verdict::Ready)
        verdict = locked == 0 ? create(db) : locked > Version ? Verdict::Newer : checkTables(db);
    if (verdict != Verdict::Ready) {
        db.exec("ROLLBACK");
        return verdict;
    }
    return verdictOf(db.exec("COMMIT"));
}

StoreSchema::Verdict StoreSchema::create(SqliteConnection& db)
{
    int code = SQLITE_OK;
    // An SQLite file without a version but with tables is someone else's database.
    if (db.queryInteger("SELECT count(*) FROM sqlite_master", &code) > 0)
        return Verdict::Broken;
    if (code != SQLITE_OK)
        return verdictOf(code);
    code = db.exec(SchemaSql);
    if (code == SQLITE_OK)
        code = db.exec(("PRAGMA user_version=" + QByteArray::number(Version)).constData());
    return verdictOf(code);
}

StoreSchema::Verdict StoreSchema::checkTables(SqliteConnection& db)
{
    int code = SQLITE_OK;
    const qint64 tables = db.queryInteger(
        "SELECT count(*) FROM sqlite_master WHERE type='table' AND name IN ('runs','outcomes')", &code);
    if (code != SQLITE_OK)
        return verdictOf(code);
    if (tables != 2)
        return Verdict::Broken;
    // Reading the newest run and the last outcome touches the pages a damaged
    // file most often loses, the ends of both tables, without scanning the file.
    db.queryInteger("SELECT max(id) FROM runs", &code);
    if (code == SQLITE_OK)
        db.queryInteger("SELECT position FROM outcomes ORDER BY run_id DESC, position DESC LIMIT 1", &code);
    return verdictOf(code);
}
