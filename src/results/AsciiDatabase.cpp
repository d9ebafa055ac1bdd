#include "results/AsciiDatabase.h"

#include "platform/AtomicFile.h"
#include "platform/LogCategories.h"
#include "platform/TextFile.h"
#include "results/ResultsTable.h"
#include "settings/ProgramFolder.h"
#include "settings/SettingsSnapshot.h"

namespace {

QString databasePath(const SettingsSnapshot& settings, const ProgramFolder& folder)
{
    return folder.filePath(settings.text(Key::OutputASCIIFile));
}

QString databaseDelimiter(const SettingsSnapshot& settings)
{
    return settings.text(Key::OutputASCIIDelimeter);
}

ResultsTable::Row splitLine(QStringView line, QStringView delimiter)
{
    ResultsTable::Row row;
    if (delimiter.isEmpty()) {
        row[0] = line.toString();
        return row;
    }
    qsizetype start = 0;
    for (int column = 0; column < ResultsTable::Columns - 1; ++column) {
        const qsizetype at = line.indexOf(delimiter, start);
        if (at < 0) {
            row[column] = line.sliced(start).toString();
            return row;
        }
        row[column] = line.sliced(start, at - start).toString();
        start = at + delimiter.size();
    }
    row[ResultsTable::Columns - 1] = line.sliced(start).toString();
    return row;
}

// A run of NUL bytes is what a crash or a preallocated file leaves at the end
// of a file, not a row. NUL inside a row is cell text (pages do contain it).
bool onlyNul(QStringView line)
{
    for (const QChar c : line)
        if (c != QChar(0))
            return false;
    return true;
}

} // namespace

SaveOutcome SaveResults(const ResultsTable& table, const QString& path, const QString& delimiter)
{
    const auto& rows = table.rows();
    QString text;
    qsizetype size = 0;
    for (qsizetype r = 1; r < rows.size(); ++r) {
        size += 4 * delimiter.size() + 2;
        for (const QString& cell : rows[r])
            size += cell.size();
    }
    text.reserve(size);
    for (qsizetype r = 1; r < rows.size(); ++r) {
        const ResultsTable::Row& row = rows[r];
        for (int c = 0; c < ResultsTable::Columns; ++c) {
            if (c > 0)
                text += delimiter;
            text += row[c];
        }
        text += QLatin1String("\r\n");
    }
    const SaveOutcome saved = AtomicFile::write(path, TextFile::encode(text));
    qCDebug(lcResults, "%lld lines saved to %s: %s", qint64(qMax<qsizetype>(rows.size() - 1, 0)),
            qUtf8Printable(path), saved.ok ? "ok" : qUtf8Printable(saved.error));
    return saved;
}

bool LoadResults(ResultsTable& table, const QString& path, const QString& delimiter)
{
    const std::optional<QString> text = TextFile::read(path);
    if (!text) {
        qCDebug(lcResults, "%s cannot be read: the table stays as it was", qUtf8Printable(path));
        return false;
    }
    QVector<ResultsTable::Row> rows;
    // Line by line without a list of line copies; empty lines are no rows.
    TextFile::forEachLine(QStringView(*text), [&](QStringView line, QStringView) {
        if (!line.isEmpty() && !onlyNul(line))
            rows.append(splitLine(line, delimiter));
    });
    qCDebug(lcResults, "%lld rows loaded from %s", qint64(rows.size()), qUtf8Printable(path));
    table.replaceDataRows(std::move(rows));
    return true;
}

SaveOutcome SaveResults(const ResultsTable& table, const SettingsSnapshot& settings,
                        const ProgramFolder& folder)
{
    return SaveResults(table, databasePath(settings, folder), databaseDelimiter(settings));
}

bool LoadResults(ResultsTable& table, const SettingsSnapshot& settings, const ProgramFolder& folder)
{
    return LoadResults(table, databasePath(settings, folder), databaseDelimiter(settings));
}
