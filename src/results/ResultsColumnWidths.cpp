#include "results/ResultsColumnWidths.h"

qint64 ResultsColumnWidths::roundHalfEven(qint64 numerator, qint64 denominator)
{
    if (denominator < 0) {
        numerator = -numerator;
        denominator = -denominator;
    }
    qint64 q = numerator / denominator;
    qint64 r = numerator % denominator;
    if (r < 0) { // make the remainder non-negative so ties are judged alike on both sides of 0
        r += denominator;
        q -= 1;
    }
    const qint64 twice = 2 * r;
    if (twice > denominator || (twice == denominator && (q % 2 != 0)))
        ++q;
    return q;
}

ResultsColumnWidths::Widths ResultsColumnWidths::forTableWidth(int tableWidth)
{
    // Exact decimal factors: a binary 0.039 would turn some exact halves into
    // near-halves and round them the other way.
    Widths widths{};
    widths[0] = int(roundHalfEven(qint64(tableWidth) * 39, 1000));
    for (size_t c = 1; c < widths.size(); ++c)
        widths[c] = int(roundHalfEven(qint64(tableWidth) * 243, 1000));
    return widths;
}
