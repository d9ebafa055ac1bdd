#pragma once

#include "platform/SaveOutcome.h"

#include <QString>

class QWidget;

// "Save picture…": a widget (the chart, a timeline) as a PNG or SVG file, and
// as SVG text for the HTML report. A widget that was never shown is drawn at
// its size hint, so a report made before the chart was ever on screen still
// has a whole picture.
class PartnerPicture
{
public:
    // PNG for a path ending in ".png", SVG for ".svg" (any letter case),
    // else PNG.
    static SaveOutcome save(QWidget* widget, const QString& path, const QString& title);
    static SaveOutcome savePng(QWidget* widget, const QString& path);
    static SaveOutcome saveSvg(QWidget* widget, const QString& path, const QString& title);
    static QByteArray svg(QWidget* widget, const QString& title);

private:
    static void prepare(QWidget* widget);
};
