#include "shell/LayoutPass.h"

#include <cmath>

namespace {

constexpr int TabWidth = 975;
constexpr int TabHeight = 855;
constexpr int TabStep = 960; // neighbours overlap by 15 twips
constexpr int RightButtonSize = 855;
constexpr int DesignClientWidth = 12165;
constexpr int DesignClientHeight = 8790;

// The frame around each area: what the window's border and caption bar take.
constexpr int AreaWidthMargin = 115;
constexpr int AreaHeightMargin = 400;

int snapped(int twips, double twipsPerPixel)
{
    if (twipsPerPixel <= 0)
        return twips;
    return int(std::lround(double(std::lround(twips / twipsPerPixel)) * twipsPerPixel));
}

// One rule: the value is taken only when the control would accept it.
class Setter
{
public:
    explicit Setter(TwipsPerPixel snap) : m_snap(snap) {}

    void width(QRect& r, int value) const
    {
        if (value >= 0)
            r.setWidth(snapped(value, m_snap.x));
    }
    void height(QRect& r, int value) const
    {
        if (value >= 0)
            r.setHeight(snapped(value, m_snap.y));
    }
    void top(QRect& r, int value) const
    {
        if (value >= 0)
            r.moveTop(snapped(value, m_snap.y));
    }
    void left(QRect& r, int value) const
    {
        if (value >= 0)
            r.moveLeft(snapped(value, m_snap.x));
    }

private:
    TwipsPerPixel m_snap;
};

} // namespace

LayoutResult LayoutResult::design()
{
    LayoutResult d;
    for (int i = 0; i < Areas; ++i) {
        d.tabs[i] = QRect(i * TabStep, 0, TabWidth, TabHeight);
        d.areas[i] = QRect(0, TabHeight, DesignClientWidth, DesignClientHeight - TabHeight);
    }
    d.web = QRect(0, 600, 5655, 3120);
    d.links = QRect(0, 1080, 6135, 2985);
    d.linkBox = QRect(2160, 720, 3975, 285);
    d.grid = QRect(0, 960, 11655, 6495);
    d.status = QRect(1560, 720, 10215, 255);
    d.onTop = QRect(DesignClientWidth - RightButtonSize, 0, RightButtonSize, RightButtonSize);
    d.forums = QRect(d.onTop.left() - RightButtonSize, 0, RightButtonSize, RightButtonSize);
    d.columnWidths = ResultsColumnWidths::forTableWidth(d.grid.width());
    return d;
}

LayoutResult LayoutPass::run(int W, int H, const LayoutResult& previous, TwipsPerPixel snap)
{
    LayoutResult r = previous;
    const Setter set(snap);

    auto frameArea = [&](int i) {
        QRect& area = r.areas[i];
        const QRect& tab = r.tabs[i];
        set.height(area, H - tab.height() - AreaHeightMargin);
        set.top(area, tab.height());
        set.width(area, W - AreaWidthMargin);
    };

    // "1. Browse" and the browser.
    frameArea(0);
    set.height(r.web, r.areas[0].height() - r.web.top() - 50);
    set.width(r.web, r.areas[0].width() - 50);

    // "2. Links", the link list and the URL box.
    frameArea(1);
    set.width(r.links, r.areas[1].width() - 40);
    set.height(r.links, r.areas[1].height() - r.links.top());
    set.width(r.linkBox, r.areas[1].width() - r.linkBox.left() - 200);

    // "3. Config" and "4. Data".
    frameArea(2);
    frameArea(3);

    // The results table, the status line and the column widths.
    set.height(r.grid, r.areas[3].height() - r.grid.top() - 50);
    set.width(r.grid, r.areas[3].width() - 50);
    // The status line ignores its own left offset, so it runs past the area's
    // right edge and the area clips it.
    set.width(r.status, r.areas[3].width() - 50);
    r.columnWidths = ResultsColumnWidths::forTableWidth(r.grid.width());

    // "On Top" at the right end of the tab row, "Forums" left of it.
    set.left(r.onTop, W - r.onTop.width() - AreaWidthMargin);
    set.left(r.forums, r.onTop.left() - r.forums.width());
    return r;
}
