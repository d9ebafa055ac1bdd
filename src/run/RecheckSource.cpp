#include "run/RecheckSource.h"

#include "platform/TextFile.h"
#include "results/AsciiDatabase.h"
#include "results/ResultsTable.h"

#include <QFileInfo>
#include <QSet>

namespace {

QStringList distinct(const QStringList& entries)
{
    QStringList urls;
    QSet<QString> seen;
    for (const QString& entry : entries) {
        const QString url = entry.trimmed();
        if (!url.isEmpty() && !seen.contains(url)) {
            seen.insert(url);
            urls.append(url);
        }
    }
    return urls;
}

} // namespace

QStringList RecheckSource::fromTable(const ResultsTable& table)
{
    QStringList cells;
    for (int row = 1; row < table.tableRowCount(); ++row)
        cells.append(table.cell(row, ResultsTable::UrlColumn));
    return distinct(cells);
}

std::optional<QStringList> RecheckSource::fromFile(const QString& path, const QString& delimiter)
{
    if (QFileInfo(path).isDir())
        return std::nullopt;
    const std::optional<QStringList> lines = TextFile::readLines(path);
    if (!lines)
        return std::nullopt;
    bool results = false;
    if (!delimiter.isEmpty()) {
        for (const QString& line : *lines)
            results = results || line.count(delimiter) >= 4;
    }
    if (!results)
        return distinct(*lines);
    // Read as "Load from ASCII File" reads it, so a URL holding the
    // delimiter comes out whole.
    ResultsTable table;
    if (!LoadResults(table, path, delimiter))
        return std::nullopt;
    return fromTable(table);
}
