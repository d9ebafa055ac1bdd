#include "partners/ui/PartnerPicture.h"

#include "platform/AtomicFile.h"

#include <QBuffer>
#include <QPainter>
#include <QPixmap>
#include <QSvgGenerator>
#include <QWidget>

void PartnerPicture::prepare(QWidget* widget)
{
    // A widget that was never shown nor sized has no size of its own yet:
    // it would be drawn in a corner of an arbitrary one, its labels cut short.
    if (!widget->isVisible() && !widget->testAttribute(Qt::WA_Resized))
        widget->resize(widget->sizeHint());
}

SaveOutcome PartnerPicture::save(QWidget* widget, const QString& path, const QString& title)
{
    if (path.endsWith(QLatin1String(".svg"), Qt::CaseInsensitive))
        return saveSvg(widget, path, title);
    return savePng(widget, path);
}

SaveOutcome PartnerPicture::savePng(QWidget* widget, const QString& path)
{
    prepare(widget);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!widget->grab().save(&buffer, "PNG"))
        return SaveOutcome::failure(path, QStringLiteral("the picture cannot be made"));
    return AtomicFile::write(path, png);
}

SaveOutcome PartnerPicture::saveSvg(QWidget* widget, const QString& path, const QString& title)
{
    return AtomicFile::write(path, svg(widget, title));
}

QByteArray PartnerPicture::svg(QWidget* widget, const QString& title)
{
    prepare(widget);
    QByteArray text;
    QBuffer buffer(&text);
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator generator;
    generator.setOutputDevice(&buffer);
    generator.setSize(widget->size());
    generator.setViewBox(QRect(QPoint(0, 0), widget->size()));
    generator.setTitle(title);
    QPainter painter(&generator);
    // Without the window's grey behind it: the picture goes on a white page.
    widget->render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
    painter.end();
    return text;
}
