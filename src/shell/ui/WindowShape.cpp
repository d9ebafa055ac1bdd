#include "shell/ui/WindowShape.h"

#include "shell/ui/WindowHelpers.h"

#include <QBitmap>
#include <QImage>
#include <QRegion>
#include <QWidget>

namespace {

quint32 valueAt(const QImage& image, int x, int y)
{
    const QRgb p = reinterpret_cast<const QRgb*>(image.constScanLine(y))[x];
    return WindowHelpers::colorValue(qRed(p), qGreen(p), qBlue(p));
}

} // namespace

QVector<QRect> WindowShape::scanRuns(const QImage& surface, quint32 key)
{
    const QImage image = surface.convertToFormat(QImage::Format_RGB32);
    const int width = image.width();
    const int height = image.height();
    key &= 0x00FFFFFFu;

    QVector<QRect> runs;
    for (int x = 1; x < width; ++x) {
        for (int y = 1; y < height; ++y) {
            if (valueAt(image, x, y) == key)
                continue;
            const int top = y;
            while (y + 1 < height && valueAt(image, x, y + 1) != key)
                ++y;
            runs.append(QRect(x, top, 1, y - top + 1));
        }
    }
    return runs;
}

QImage WindowShape::drawingSurface(QWidget* form)
{
    // The form is frameless, so its outer size is its own size.
    QImage surface(form->size(), QImage::Format_RGB32);
    surface.fill(form->palette().color(form->backgroundRole()));
    form->ensurePolished();
    // Rendering honours a mask already set, which would clip and shift the
    // picture: the surface is always the whole unmasked form.
    const QRegion mask = form->mask();
    if (!mask.isEmpty())
        form->clearMask();
    form->render(&surface, QPoint(), QRegion(), QWidget::DrawWindowBackground);
    if (!mask.isEmpty())
        form->setMask(mask);
    return surface;
}

void WindowShape::cutOutKeyColour(QWidget* form, quint32 key)
{
    if (!form)
        return;
    const QImage surface = drawingSurface(form);
    const QVector<QRect> runs = scanRuns(surface, key);

    // The union of the runs, drawn as a bitmap and turned into a region in one
    // go: adding thousands of one-pixel slivers to a region one at a time
    // rebuilds it for each of them.
    QImage shape(surface.size(), QImage::Format_Mono);
    shape.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    shape.fill(0);
    for (const QRect& run : runs) {
        for (int y = run.top(); y <= run.bottom(); ++y)
            shape.setPixel(run.left(), y, 1);
    }
    form->setMask(QRegion(QBitmap::fromImage(shape)));
}
