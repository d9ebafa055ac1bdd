#include "results/WorkbookContent.h"

#include "results/ResultsTable.h"

#include <algorithm>

WorkbookContent WorkbookContent::FromTable(const ResultsTable& table, int rows, int columns, int gridStyle,
                                           const QString& sheetName)
{
    WorkbookContent content;
    content.rows = std::clamp(rows, 0, table.RowCount());
    content.columns = std::clamp(columns, 0, table.ColumnCount());
    content.gridStyle = gridStyle;
    content.sheetName = sheetName;
    content.cells.reserve(qsizetype(content.rows) * content.columns);
    for (int r = 0; r < content.rows; ++r) {
        for (int k = 0; k < content.columns; ++k)
            content.cells.append(table.Cell(r, k));
    }
    return content;
}
