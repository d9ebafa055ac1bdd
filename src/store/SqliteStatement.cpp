#include "store/SqliteStatement.h"

#include <sqlite3.h>

SqliteStatement::~SqliteStatement()
{
    sqlite3_finalize(m_statement);
}

int SqliteStatement::prepare(sqlite3* db, const char* sql)
{
    sqlite3_finalize(m_statement);
    m_statement = nullptr;
    if (!db)
        return SQLITE_MISUSE; // a store that is not open answers nothing
    return sqlite3_prepare_v3(db, sql, -1, SQLITE_PREPARE_PERSISTENT, &m_statement, nullptr);
}

void SqliteStatement::bind(int index, qint64 value)
{
    sqlite3_bind_int64(m_statement, index, value);
}

void SqliteStatement::bind(int index, const QString& text)
{
    if (text.isNull()) {
        sqlite3_bind_null(m_statement, index);
        return;
    }
    // The text is copied: the statement may outlive the QString it came from.
    sqlite3_bind_text16(m_statement, index, text.utf16(), int(text.size() * sizeof(char16_t)),
                        SQLITE_TRANSIENT);
}

void SqliteStatement::bind(int index, const QByteArray& blob)
{
    if (blob.isNull())
        sqlite3_bind_null(m_statement, index);
    else
        sqlite3_bind_blob64(m_statement, index, blob.constData(), sqlite3_uint64(blob.size()),
                            SQLITE_TRANSIENT);
}

void SqliteStatement::bind(int index, std::optional<qint64> value)
{
    if (value)
        bind(index, *value);
    else
        bindNull(index);
}

void SqliteStatement::bindNull(int index)
{
    sqlite3_bind_null(m_statement, index);
}

int SqliteStatement::step()
{
    return m_statement ? sqlite3_step(m_statement) : SQLITE_MISUSE;
}

int SqliteStatement::run()
{
    const int code = step();
    reset();
    return code == SQLITE_ROW ? SQLITE_DONE : code;
}

void SqliteStatement::reset()
{
    sqlite3_reset(m_statement);
    sqlite3_clear_bindings(m_statement);
}

qint64 SqliteStatement::integer(int column) const
{
    return sqlite3_column_int64(m_statement, column);
}

std::optional<qint64> SqliteStatement::optionalInteger(int column) const
{
    if (sqlite3_column_type(m_statement, column) == SQLITE_NULL)
        return std::nullopt;
    return sqlite3_column_int64(m_statement, column);
}

QString SqliteStatement::text(int column) const
{
    const auto* data = static_cast<const char16_t*>(sqlite3_column_text16(m_statement, column));
    if (!data)
        return QString();
    const int bytes = sqlite3_column_bytes16(m_statement, column);
    return QString::fromUtf16(data, bytes / int(sizeof(char16_t)));
}

QByteArray SqliteStatement::blob(int column) const
{
    const auto* data = static_cast<const char*>(sqlite3_column_blob(m_statement, column));
    return QByteArray(data, sqlite3_column_bytes(m_statement, column));
}
