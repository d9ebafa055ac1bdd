#pragma once

#include <QRect>
#include <QVector>

class QImage;
class QWidget;

// Shapes a window that shows a picture on a background of one key colour: the
// key-coloured pixels are cut out, so the window takes the picture's outline.
class WindowShape
{
public:
    WindowShape() = delete;

    // Scans the form's drawing surface (its background and its own painting,
    // child widgets left out) and sets the result as the form's mask. The key is
    // a colour value with red in the low byte, compared exactly with each pixel.
    static void cutOutKeyColour(QWidget* form, quint32 key);

    // The scan on its own: for every column from 1 and every row from 1, one
    // rectangle one pixel wide per vertical run of non-key pixels, column by
    // column, top to bottom. Column 0 and row 0 are never part of the result.
    static QVector<QRect> scanRuns(const QImage& surface, quint32 key);

    // What the form draws of itself at its outer size: background colour and picture.
    static QImage drawingSurface(QWidget* form);
};
