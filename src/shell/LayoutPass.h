#pragma once

#include "results/ResultsColumnWidths.h"

#include <QRect>
#include <array>

// Geometry, in twips, of every control the main window's layout pass touches.
// Left and Top are measured inside the control's container.
struct LayoutResult
{
    static constexpr int Areas = 4;

    std::array<QRect, Areas> tabs;  // Option30 .. Option33, never changed by the pass
    std::array<QRect, Areas> areas; // Picture1 .. Picture4
    QRect web;                      // the browser, in Picture1
    QRect links;                    // the link list Links, in Picture2
    QRect linkBox;                  // the box for a typed link, Text31, in Picture2
    QRect grid;                     // the results grid MSFlexGrid1, in Picture4
    QRect status;                   // the status line Label4, in Picture4
    QRect onTop;                    // "On Top", Check6
    QRect forums;                   // "Forums", Command1
    ResultsColumnWidths::Widths columnWidths{};

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
};
