#include "results/WorkbookContent.h"

#include "results/ResultsTable.h"

#include <algorithm>

WorkbookContent WorkbookContent::fromTable(const ResultsTable& table, int rows, int columns, int gridStyle,
                                           const QString& sheetName)
{
    WorkbookContent content;
    content.rows = std::clamp(rows, 0, table.tableRowCount());
    content.columns = std::clamp(columns, 0, table.columnCount());
    content.gridStyle = gridStyle;
    content.sheetName = sheetName;
    content.cells.reserve(qsizetype(content.rows) * content.columns);
    for (int r = 0; r < content.rows; ++r) {
        for (int k = 0; k < content.columns; ++k)
            content.cells.append(table.cell(r, k));
    }
    return content;
}
