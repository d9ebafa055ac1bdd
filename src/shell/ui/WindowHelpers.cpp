#include "shell/ui/WindowHelpers.h"

#include <QPalette>
#include <QWidget>
#include <array>

namespace {

struct SystemColour
{
    QPalette::ColorGroup group;
    QPalette::ColorRole role;
    bool defined;
};

// The classic system colour indices, each mapped to the palette colour that
// plays the same part in this toolkit.
constexpr std::array<SystemColour, 31> systemColours{{
    {QPalette::Active, QPalette::Button, true},            // 0 scroll bar
    {QPalette::Active, QPalette::Dark, true},              // 1 desktop
    {QPalette::Active, QPalette::Highlight, true},         // 2 active caption
    {QPalette::Inactive, QPalette::Highlight, true},       // 3 inactive caption
    {QPalette::Active, QPalette::Window, true},            // 4 menu
    {QPalette::Active, QPalette::Base, true},              // 5 window
    {QPalette::Active, QPalette::Shadow, true},            // 6 window frame
    {QPalette::Active, QPalette::WindowText, true},        // 7 menu text
    {QPalette::Active, QPalette::Text, true},              // 8 window text
    {QPalette::Active, QPalette::HighlightedText, true},   // 9 caption text
    {QPalette::Active, QPalette::Window, true},            // 10 active border
    {QPalette::Inactive, QPalette::Window, true},          // 11 inactive border
    {QPalette::Active, QPalette::Dark, true},              // 12 application workspace
    {QPalette::Active, QPalette::Highlight, true},         // 13 highlight
    {QPalette::Active, QPalette::HighlightedText, true},   // 14 highlighted text
    {QPalette::Active, QPalette::Button, true},            // 15 button face
    {QPalette::Active, QPalette::Dark, true},              // 16 button shadow
    {QPalette::Disabled, QPalette::Text, true},            // 17 grey text
    {QPalette::Active, QPalette::ButtonText, true},        // 18 button text
    {QPalette::Inactive, QPalette::HighlightedText, true}, // 19 inactive caption text
    {QPalette::Active, QPalette::Light, true},             // 20 button highlight
    {QPalette::Active, QPalette::Shadow, true},            // 21 3-D dark shadow
    {QPalette::Active, QPalette::Midlight, true},          // 22 3-D light
    {QPalette::Active, QPalette::ToolTipText, true},       // 23 tooltip text
    {QPalette::Active, QPalette::ToolTipBase, true},       // 24 tooltip background
    {QPalette::Active, QPalette::NoRole, false},           // 25 unused
    {QPalette::Active, QPalette::Link, true},              // 26 hot-tracked item
    {QPalette::Active, QPalette::Highlight, true},         // 27 active caption gradient
    {QPalette::Inactive, QPalette::Highlight, true},       // 28 inactive caption gradient
    {QPalette::Active, QPalette::Highlight, true},         // 29 menu highlight
    {QPalette::Active, QPalette::Window, true},            // 30 menu bar
}};

} // namespace

quint32 WindowHelpers::colorValue(int red, int green, int blue)
{
    return quint32(red & 0xFF) | (quint32(green & 0xFF) << 8) | (quint32(blue & 0xFF) << 16);
}

quint32 WindowHelpers::translateSystemColor(quint32 colour, const QPalette& palette)
{
    if ((colour & 0x80000000u) == 0)
        return colour;
    const quint32 index = colour & 0xFFu;
    // An index the system does not know gives black, as the system call does.
    if (index >= systemColours.size() || !systemColours[index].defined)
        return 0;
    const QColor c = palette.color(systemColours[index].group, systemColours[index].role);
    return colorValue(c.red(), c.green(), c.blue());
}

void WindowHelpers::setAlwaysOnTop(QWidget* window, bool on)
{
    if (!window || !window->isWindow())
        return;
    const bool wasOn = window->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
    if (wasOn == on && window->isVisible())
        return;

    // Changing a window's flags hides it and may recreate its native window:
    // remember where it was and bring it back there without taking the focus.
    const QPoint position = window->pos();
    const QSize size = window->size();
    const Qt::WindowStates states = window->windowState();
    const bool moved = window->testAttribute(Qt::WA_Moved);
    const bool quietShow = window->testAttribute(Qt::WA_ShowWithoutActivating);

    window->setWindowFlag(Qt::WindowStaysOnTopHint, on);
    if (moved)
        window->move(position);
    window->resize(size);
    window->setWindowState(states);
    window->setAttribute(Qt::WA_ShowWithoutActivating, true);
    window->show();
    window->setAttribute(Qt::WA_ShowWithoutActivating, quietShow);
}
