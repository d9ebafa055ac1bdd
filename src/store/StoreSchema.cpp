#include "store/StoreSchema.h"

#include "store/SqliteConnection.h"
#include "store/SqliteStatement.h"

#include <sqlite3.h>

namespace {

// Times are milliseconds since 1970 UTC. kind: 1 accepted, 2 refused, 3 failed.
// ending: NULL while going or interrupted, 1 done, 2 stopped. An outcome's
// row_url is NULL when the "URL" cell holds the entry itself, as it nearly
// always does. link_back is the link-back verdict's kind by its number (1
// followed, 2 page gone, 3 not a web page, 4 no link, 5 only in a comment, 6
// hidden, 7 nofollow, 8 noindex, 9 blocked by robots.txt, 10 canonical
// elsewhere), NULL when the run did not prove the page; the columns after it
// are the verdict's parts: the deciding link's markup, its text and resolved
// target, the page's address after redirects and what the links were read
// from ("html").
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
    link_back_anchor_text TEXT,
    link_back_target TEXT,
    link_back_final_url TEXT,
    link_back_source TEXT,
    PRIMARY KEY(run_id, position)
) WITHOUT ROWID;
CREATE INDEX outcomes_by_url ON outcomes(url, checked_at);
)";

// Version 1 kept a verdict in two columns: link_back 1 for a followed link, 0
// for anything else, and in link_back_evidence one text of the verdict's name,
// " — " and the deciding link's markup when there was one, then a line break
// and the page's address after redirects:
//   nofollow — <a href="https://example.com/" rel="nofollow">Example</a>
//   https://partner.example/links.html
// The address comes off first, then the name becomes the kind's number. A name
// this version does not know still says whether the link was followed. The
// markup may hold " — " itself: only the first one ends the name.
constexpr char UpgradeTo2Sql[] = R"(
ALTER TABLE outcomes ADD COLUMN link_back_anchor_text TEXT;
ALTER TABLE outcomes ADD COLUMN link_back_target TEXT;
ALTER TABLE outcomes ADD COLUMN link_back_final_url TEXT;
ALTER TABLE outcomes ADD COLUMN link_back_source TEXT;
UPDATE outcomes SET
    link_back_final_url = substr(link_back_evidence, instr(link_back_evidence, char(10)) + 1),
    link_back_evidence = substr(link_back_evidence, 1, instr(link_back_evidence, char(10)) - 1)
WHERE link_back IS NOT NULL AND instr(link_back_evidence, char(10)) > 0;
UPDATE outcomes SET
    link_back = CASE CASE WHEN instr(link_back_evidence, ' ' || char(8212) || ' ') > 0
                     THEN substr(link_back_evidence, 1, instr(link_back_evidence, ' ' || char(8212) || ' ') - 1)
                     ELSE link_back_evidence END
        WHEN 'followed' THEN 1
        WHEN 'page gone' THEN 2
        WHEN 'not a web page' THEN 3
        WHEN 'no link' THEN 4
        WHEN 'only in a comment' THEN 5
        WHEN 'hidden' THEN 6
        WHEN 'nofollow' THEN 7
        WHEN 'noindex' THEN 8
        WHEN 'blocked by robots.txt' THEN 9
        WHEN 'canonical elsewhere' THEN 10
        ELSE CASE WHEN link_back = 1 THEN 1 ELSE 4 END END,
    link_back_evidence = CASE WHEN instr(link_back_evidence, ' ' || char(8212) || ' ') > 0
        THEN substr(link_back_evidence, instr(link_back_evidence, ' ' || char(8212) || ' ') + 3) END,
    link_back_source = 'html'
WHERE link_back IS NOT NULL;
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
    // An earlier version's file is brought up to this one in the same
    // transaction: a failure leaves it as it was.
    if (verdict == Verdict::Ready && locked > 0 && locked < Version)
        verdict = upgrade(db, int(locked));
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

StoreSchema::Verdict StoreSchema::upgrade(SqliteConnection& db, int from)
{
    int code = SQLITE_OK;
    if (from < 2)
        code = db.exec(UpgradeTo2Sql);
    if (code == SQLITE_OK)
        code = db.exec(("PRAGMA user_version=" + QByteArray::number(Version)).constData());
    return verdictOf(code);
}
