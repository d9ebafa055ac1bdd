#pragma once

#include <QRect>
#include <array>

// Geometry, in twips, of every control the main window's layout pass touches.
// Left and Top are measured inside the control's container.
struct LayoutResult
{
    static constexpr int Areas = 4;
    static constexpr int GridColumns = 5;

    std::array<QRect, Areas> tabs;  // Option30 .. Option33, never changed by the pass
    std::array<QRect, Areas> areas; // Picture1 .. Picture4
    QRect web;                      // in Picture1
    QRect links;                    // in Picture2
    QRect text31;                   // in Picture2
    QRect grid;                     // MSFlexGrid1, in Picture4
    QRect label4;                   // in Picture4
    QRect check6;                   // "On Top"
    QRect command1;                 // "Forums"
    std::array<int, GridColumns> columnWidths{};

    // The design positions and sizes, as the window is drawn before any pass.
    static LayoutResult design();

    bool operator==(const LayoutResult&) const = default;
};

// Twips per screen pixel on each axis. A zero factor means no snapping: every
// value is kept to the twip.
struct TwipsPerPixel
{
    double x = 0;
    double y = 0;
};

// The layout pass: a pure function of the window's outer size and the values the
// previous pass left. The rules run in a fixed order and each later rule reads
// what the earlier ones set; a rule whose value comes out negative is skipped
// and that property keeps its previous value.
class LayoutPass
{
public:
    static LayoutResult run(int outerWidth, int outerHeight, const LayoutResult& previous,
                            TwipsPerPixel snap = {});

    // 0.039 of the table width for "#", 0.243 for each of the other four, each
    // rounded to a whole twip with a half going to the even neighbour.
    static std::array<int, LayoutResult::GridColumns> columnWidths(int tableWidth);

    // numerator / denominator rounded to the nearest integer, a half to even.
    static qint64 roundHalfEven(qint64 numerator, qint64 denominator);
};
