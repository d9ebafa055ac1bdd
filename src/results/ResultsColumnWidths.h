#pragma once

#include "results/ResultsTable.h"

#include <QtGlobal>
#include <array>

// The widths, in twips, of the results table's columns for a table of a given
// width: a narrow "#" and four equal columns for the texts. The window's
// layout pass and the grid itself, whenever it is resized, set the same ones.
class ResultsColumnWidths
{
public:
    using Widths = std::array<int, ResultsTable::Columns>;

    // 0.039 of the table width for "#", 0.243 for each of the other four, each
    // rounded to a whole twip with a half going to the even neighbour.
    static Widths forTableWidth(int tableWidth);

    // numerator / denominator rounded to the nearest integer, a half to even.
    static qint64 roundHalfEven(qint64 numerator, qint64 denominator);
};
