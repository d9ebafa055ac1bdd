// The ASCII database loader: every non-empty line becomes one row whose cells,
// joined by the delimiter, give the line back; saving that table and loading
// it again gives the same table.
#include "FuzzInput.h"
#include "platform/TextFile.h"
#include "results/AsciiDatabase.h"
#include "results/ResultsTable.h"

#include <QFile>

namespace {

// The lines that become rows: not empty, and not NUL bytes only (padding).
QStringList rowLines(const QByteArray& bytes)
{
    QStringList lines;
    QString current;
    const auto take = [&] {
        if (!current.isEmpty() && current.count(QChar(0)) != current.size())
            lines.append(current);
        current.clear();
    };
    for (const QChar c : TextFile::decode(bytes)) {
        if (c == u'\r' || c == u'\n')
            take();
        else
            current += c;
    }
    take();
    return lines;
}

QString rowText(const QVector<ResultsTable::Row>& rows, int r)
{
    return r < rows.size() ? QStringList(rows[r].begin(), rows[r].end()).join(u'|')
                           : QStringLiteral("(none)");
}

// Whether the first four delimiters of the saved line are the ones between
// the cells (the load keeps any further ones in "URL").
bool unambiguous(const ResultsTable::Row& row, const QString& delimiter)
{
    if (delimiter.isEmpty())
        return true;
    QString line;
    QList<qsizetype> junctions;
    for (int c = 0; c < ResultsTable::Columns; ++c) {
        if (c > 0) {
            junctions.append(line.size());
            line += delimiter;
        }
        line += row[c];
    }
    QList<qsizetype> found;
    for (qsizetype at = line.indexOf(delimiter); at >= 0 && found.size() < junctions.size();
         at = line.indexOf(delimiter, at + delimiter.size()))
        found.append(at);
    return found == junctions;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const FuzzInput in(data, size, 2);
    // The delimiter comes from links.ini, so it never holds a line break.
    QString delimiter = QString::fromUtf8(in.part(0).left(16));
    delimiter.remove(u'\r').remove(u'\n');
    const QByteArray bytes = in.part(1);

    const QString path = fuzzScratchFile(QStringLiteral("database.txt"));
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            fuzzFail("cannot write the scratch file");
        f.write(bytes);
    }

    ResultsTable table;
    if (!LoadResults(table, path, delimiter))
        fuzzFail("a readable database did not load");
    if (table.rows().value(0) != ResultsTable::headerTexts())
        fuzzFail("the header row was not rewritten");

    // The cells of each row, joined by the delimiter, are the line they came
    // from: no text of the file is lost.
    const QStringList lines = rowLines(bytes);
    if (table.tableRowCount() - 1 != lines.size())
        fuzzFail("not one row per non-empty line",
                 QStringLiteral("%1 rows, %2 lines").arg(table.tableRowCount() - 1).arg(lines.size()));
    for (int r = 1; r < table.tableRowCount(); ++r) {
        const auto& row = table.rows()[r];
        QString line = row[0];
        for (int c = 1; c < ResultsTable::Columns; ++c) {
            if (delimiter.isEmpty() && !row[c].isEmpty())
                fuzzFail("an empty delimiter split a line");
            if (!delimiter.isEmpty())
                line += delimiter + row[c];
        }
        // A line with fewer fields leaves the last cells empty, which joins
        // with trailing delimiters the line did not have.
        const QString& original = lines[r - 1];
        if (!delimiter.isEmpty())
            while (line.size() > original.size() && line.endsWith(delimiter))
                line.chop(delimiter.size());
        if (line != original)
            fuzzFail("a row does not give its line back", QStringLiteral("<%1> vs <%2>").arg(line, original));
    }

    const QString saved = fuzzScratchFile(QStringLiteral("saved.txt"));
    if (!SaveResults(table, saved, delimiter).ok)
        fuzzFail("SaveResults failed");
    ResultsTable again;
    if (!LoadResults(again, saved, delimiter))
        fuzzFail("the saved database did not load");
    if (again.tableRowCount() != table.tableRowCount() || again.rows().value(0) != table.rows().value(0))
        fuzzFail("the saved table loads back with other rows",
                 QStringLiteral("%1 vs %2 rows").arg(table.tableRowCount()).arg(again.tableRowCount()));
    for (int r = 1; r < table.tableRowCount(); ++r) {
        // The format has no escaping: a row whose line holds the delimiter
        // anywhere but between its cells cannot read back as the same row.
        if (!unambiguous(table.rows()[r], delimiter))
            continue;
        if (again.rows()[r] != table.rows()[r])
            fuzzFail("a saved row loads back differently",
                     QStringLiteral("row %1: <%2> vs <%3>")
                         .arg(r)
                         .arg(rowText(table.rows(), r), rowText(again.rows(), r)));
    }
    return 0;
}
