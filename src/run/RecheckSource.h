#pragma once

#include <QString>
#include <QStringList>
#include <optional>

class ResultsTable;

// The partners' pages a re-check visits: the "URL" cells of the results (the
// grid, or a results file in the delimited format), or the lines of a link
// list. Blank entries go, and each address is visited once, at its first place.
class RecheckSource
{
public:
    static QStringList fromTable(const ResultsTable& table);
    // A file whose lines hold four delimiters is a results file; any other is
    // a link list, one address a line. None when the file cannot be read.
    static std::optional<QStringList> fromFile(const QString& path, const QString& delimiter);
};
