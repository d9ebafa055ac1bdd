#pragma once

#include <QtGlobal>

class QPalette;
class QWidget;

// The window-manager helpers the main window and the splash window share.
class WindowHelpers
{
public:
    // Puts a top-level window into the topmost band (on) or back among ordinary
    // windows (off). The window keeps its place and size, is not activated, and
    // is shown if it was hidden.
    static void setAlwaysOnTop(QWidget* window, bool on);

    // A colour value as forms store it: 0x00BBGGRR for a red-green-blue colour,
    // or, with the high bit set, a system colour named by its index in the low
    // byte, which is looked up in the given palette.
    static quint32 translateSystemColor(quint32 colour, const QPalette& palette);

    // Red in the low byte, then green, then blue.
    static quint32 colorValue(int red, int green, int blue);
};
