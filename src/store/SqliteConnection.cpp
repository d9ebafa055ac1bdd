#include "store/SqliteConnection.h"

#include <sqlite3.h>

SqliteConnection::~SqliteConnection()
{
    close();
}

int SqliteConnection::open(const QString& path, int busyTimeoutMs)
{
    close();
    const QByteArray name = path.toUtf8();
    // Each connection stays on one thread at a time, so SQLite's own mutex per
    // connection is not needed.
    const int code = sqlite3_open_v2(
        name.constData(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (code != SQLITE_OK) {
        close();
        return code;
    }
    sqlite3_extended_result_codes(m_db, 0);
    sqlite3_busy_timeout(m_db, busyTimeoutMs);
    return SQLITE_OK;
}

void SqliteConnection::close()
{
    if (m_db) {
        // Statements are finalized by their owners first; close_v2 defers the
        // close until they are, instead of failing.
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
}

int SqliteConnection::exec(const char* sql)
{
    if (!m_db)
        return SQLITE_MISUSE;
    return sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr);
}

qint64 SqliteConnection::queryInteger(const char* sql, int* code)
{
    sqlite3_stmt* statement = nullptr;
    int result = !m_db ? SQLITE_MISUSE : sqlite3_prepare_v2(m_db, sql, -1, &statement, nullptr);
    qint64 value = 0;
    if (result == SQLITE_OK) {
        result = sqlite3_step(statement);
        if (result == SQLITE_ROW)
            value = sqlite3_column_int64(statement, 0);
        if (result == SQLITE_ROW || result == SQLITE_DONE)
            result = SQLITE_OK;
    }
    sqlite3_finalize(statement);
    if (code)
        *code = result;
    return value;
}

int SqliteConnection::lastCode() const
{
    return m_db ? sqlite3_errcode(m_db) : SQLITE_CANTOPEN;
}

QString SqliteConnection::lastMessage() const
{
    return m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QStringLiteral("not open");
}
