#pragma once

#include "store/RunLiveness.h"
#include "store/RunRecord.h"
#include "store/SqliteConnection.h"
#include "store/SqliteStatement.h"
#include "store/UrlRecord.h"

#include <QStringList>
#include <QVector>

// The writing half of a run's journal: its own connection to the store and the
// statements that begin a run (or take up an interrupted one), add outcomes in
// one transaction per batch, end the run and prune old runs. Used by one thread
// only, the journal's writer. Every call returns SQLite's result code.
class JournalWriter
{
public:
    JournalWriter(const QString& path, int busyTimeoutMs);

    int open();
    // Adds the run with its list and holds it as going. runId() is then set.
    int begin(const RunRecord& run, const QStringList& urls);
    // Takes up the stored run runId again; SQLITE_BUSY when a journal of this
    // or another process is writing it now.
    int resume(qint64 runId);
    // Keeps the newest `keep` runs (never fewer than this one) and those that
    // are going; deletes the others with their outcomes, one run per transaction.
    int prune(int keep);
    // All the records or none, in one transaction.
    int write(const QVector<UrlRecord>& records);
    int end(RunRecord::Ending ending);

    qint64 runId() const { return m_runId; }

    // The list as the run's row stores it, and back.
    static QByteArray packList(const QStringList& urls);
    static QStringList unpackList(const QByteArray& packed);
    // The status code of an HTTP status line, 0 when there is none.
    static int statusCode(const QString& statusLine);

private:
    int commitOrRollBack(int code);

    QString m_path;
    int m_busyTimeoutMs;
    SqliteConnection m_db;
    RunLiveness m_liveness;
    SqliteStatement m_insert;
    SqliteStatement m_count;
    qint64 m_runId = 0;
};
