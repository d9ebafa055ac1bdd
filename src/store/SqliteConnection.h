#pragma once

#include <QString>

struct sqlite3;

// One connection to an SQLite database, closed with the object. A connection
// is used by one thread at a time: the store's reader on the owner's thread,
// each journal on its writer thread, each with a connection of its own.
class SqliteConnection
{
public:
    SqliteConnection() = default;
    ~SqliteConnection();
    SqliteConnection(const SqliteConnection&) = delete;
    SqliteConnection& operator=(const SqliteConnection&) = delete;

    // Opens (or creates) the file read-write and sets how long a statement
    // waits for a lock another connection holds. Returns SQLite's result code;
    // the connection is usable when it is SQLITE_OK (0).
    int open(const QString& path, int busyTimeoutMs);
    void close();
    bool isOpen() const { return m_db != nullptr; }
    sqlite3* handle() const { return m_db; }

    // Runs one or more statements without results. Returns SQLite's result code.
    int exec(const char* sql);
    // The first column of the first row of a query, as an integer; `ok` is the
    // result code (SQLITE_OK when a row came, or when there was none).
    qint64 queryInteger(const char* sql, int* code = nullptr);

    // The primary result code of the last failing call and its text, for the log.
    int lastCode() const;
    QString lastMessage() const;

private:
    sqlite3* m_db = nullptr;
};
