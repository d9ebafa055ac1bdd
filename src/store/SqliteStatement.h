#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

struct sqlite3;
struct sqlite3_stmt;

// A prepared statement, kept for reuse: bind the parameters (counted from 1),
// step through the rows, reset, bind again. Texts go in and come out as UTF-16,
// which is what QString holds.
class SqliteStatement
{
public:
    SqliteStatement() = default;
    SqliteStatement(sqlite3* db, const char* sql) { prepare(db, sql); }
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    int prepare(sqlite3* db, const char* sql);
    bool isValid() const { return m_statement != nullptr; }

    void bind(int index, qint64 value);
    void bind(int index, const QString& text); // a null QString binds NULL
    void bind(int index, const QByteArray& blob);
    void bind(int index, std::optional<qint64> value);
    void bindNull(int index);

    // SQLITE_ROW while rows come, then SQLITE_DONE, or an error code.
    int step();
    // Runs a statement without rows and resets it; returns SQLITE_DONE or an error code.
    int run();
    void reset();

    qint64 integer(int column) const;
    std::optional<qint64> optionalInteger(int column) const;
    QString text(int column) const; // NULL gives a null QString
    QByteArray blob(int column) const;

private:
    sqlite3_stmt* m_statement = nullptr;
};
