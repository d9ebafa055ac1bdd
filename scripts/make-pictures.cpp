// Draws the program's pictures into images/. Run through make-pictures.sh.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QtMath>
#include <cstdio>
#include <functional>

namespace {

QString outDir;

const QColor face(0xef, 0xef, 0xef); // the usual window background behind the buttons
const QColor blue(0x2a, 0x64, 0xb0);
const QColor green(0x2e, 0x8b, 0x57);
const QColor red(0xc6, 0x2f, 0x2f);
const QColor ink(0x33, 0x3a, 0x44);

using Draw = std::function<void(QPainter&, double)>; // painter, scale (1 = 32 px)

QImage canvas(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

void save(const QImage& image, const QString& name)
{
    const QString path = outDir + QLatin1Char('/') + name;
    if (!image.save(path))
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
}

// A navigation button: a rounded face with a glyph, BMP without alpha. The
// pressed twin is darker, with the glyph one pixel down and right.
void navButton(const QString& name, const Draw& glyph)
{
    for (int pressed = 0; pressed < 2; ++pressed) {
        QImage image(32, 32, QImage::Format_RGB32);
        image.fill(face);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        QLinearGradient g(0, 0, 0, 32);
        if (pressed) {
            g.setColorAt(0, QColor(0xb8, 0xc4, 0xd4));
            g.setColorAt(1, QColor(0xd8, 0xe0, 0xea));
        } else {
            g.setColorAt(0, QColor(0xff, 0xff, 0xff));
            g.setColorAt(1, QColor(0xdc, 0xe3, 0xec));
        }
        p.setPen(QPen(pressed ? QColor(0x6a, 0x7a, 0x90) : QColor(0x9a, 0xa8, 0xb8), 1));
        p.setBrush(g);
        p.drawRoundedRect(QRectF(1.5, 1.5, 29, 29), 6, 6);
        if (pressed)
            p.translate(1, 1);
        glyph(p, 1.0);
        p.end();
        save(image, name + (pressed ? QStringLiteral("1.bmp") : QStringLiteral(".bmp")));
    }
}

void arrow(QPainter& p, bool left)
{
    QPainterPath path;
    // pointing right, then mirrored for "back"
    path.moveTo(7, 13);
    path.lineTo(15, 13);
    path.lineTo(15, 7.5);
    path.lineTo(25, 16);
    path.lineTo(15, 24.5);
    path.lineTo(15, 19);
    path.lineTo(7, 19);
    path.closeSubpath();
    p.save();
    if (left) {
        p.translate(32, 0);
        p.scale(-1, 1);
    }
    p.setPen(QPen(blue.darker(130), 1.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    QLinearGradient g(0, 8, 0, 24);
    g.setColorAt(0, blue.lighter(140));
    g.setColorAt(1, blue);
    p.setBrush(g);
    p.drawPath(path);
    p.restore();
}

void stopGlyph(QPainter& p)
{
    QPainterPath oct;
    for (int i = 0; i < 8; ++i) {
        const double a = qDegreesToRadians(22.5 + 45.0 * i);
        const QPointF pt(16 + 10 * std::cos(a), 16 + 10 * std::sin(a));
        i == 0 ? oct.moveTo(pt) : oct.lineTo(pt);
    }
    oct.closeSubpath();
    p.setPen(QPen(red.darker(140), 1.2));
    p.setBrush(red);
    p.drawPath(oct);
    p.setPen(QPen(Qt::white, 2.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(12.5, 12.5), QPointF(19.5, 19.5));
    p.drawLine(QPointF(19.5, 12.5), QPointF(12.5, 19.5));
}

void refreshGlyph(QPainter& p)
{
    p.setPen(QPen(green, 3.2, Qt::SolidLine, Qt::FlatCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(8.5, 8.5, 15, 15), 100 * 16, 290 * 16);
    QPainterPath head;
    head.moveTo(15.0, 3.8);
    head.lineTo(21.0, 8.6);
    head.lineTo(14.6, 12.8);
    head.closeSubpath();
    p.setPen(QPen(green, 1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(green);
    p.drawPath(head);
}

void houseGlyph(QPainter& p, const QColor& c)
{
    QPainterPath roof;
    roof.moveTo(5.5, 16.5);
    roof.lineTo(16, 7);
    roof.lineTo(26.5, 16.5);
    p.setPen(QPen(c.darker(130), 2.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(roof);
    p.setPen(QPen(c.darker(130), 1.2));
    p.setBrush(c);
    p.drawRect(QRectF(9.5, 15.5, 13, 10));
    p.setBrush(QColor(0xf4, 0xe7, 0xc8));
    p.drawRect(QRectF(14, 19, 4, 6.5));
}

// A 32 x 32 picture with transparency, for the tab row.
void icon(const QString& name, int size, const Draw& draw)
{
    QImage image = canvas(size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);
    draw(p, size / 32.0);
    p.end();
    save(image, name);
}

void globe(QPainter& p)
{
    QRadialGradient g(QPointF(12, 11), 18);
    g.setColorAt(0, QColor(0x9c, 0xd2, 0xff));
    g.setColorAt(1, blue);
    p.setPen(QPen(blue.darker(140), 1.4));
    p.setBrush(g);
    p.drawEllipse(QRectF(3, 3, 26, 26));
    p.setPen(QPen(QColor(255, 255, 255, 200), 1.2));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(10, 3.5, 12, 25));
    p.drawLine(QPointF(16, 3.5), QPointF(16, 28.5));
    p.drawLine(QPointF(3.5, 16), QPointF(28.5, 16));
    p.drawArc(QRectF(5, -4, 22, 16), 200 * 16, 140 * 16);
    p.drawArc(QRectF(5, 20, 22, 16), 20 * 16, 140 * 16);
}

void chain(QPainter& p)
{
    const QColor teal(0x1f, 0x8a, 0x9a);
    p.setBrush(Qt::NoBrush);
    for (int i = 0; i < 2; ++i) {
        p.save();
        p.translate(i == 0 ? 11.5 : 20.5, i == 0 ? 20.5 : 11.5);
        p.rotate(-45);
        p.setPen(QPen(teal.darker(150), 5.2, Qt::SolidLine, Qt::RoundCap));
        p.drawRoundedRect(QRectF(-9, -4.5, 18, 9), 4.5, 4.5);
        p.setPen(QPen(teal.lighter(120), 3, Qt::SolidLine, Qt::RoundCap));
        p.drawRoundedRect(QRectF(-9, -4.5, 18, 9), 4.5, 4.5);
        p.restore();
    }
}

void gear(QPainter& p)
{
    const QColor steel(0x6b, 0x77, 0x86);
    QPainterPath path;
    const int teeth = 8;
    for (int i = 0; i < teeth * 4; ++i) {
        const double a = qDegreesToRadians(360.0 * i / (teeth * 4) - 11.25 / 2);
        const double r = (i % 4 == 0 || i % 4 == 1) ? 14.0 : 10.5;
        const QPointF pt(16 + r * std::cos(a), 16 + r * std::sin(a));
        i == 0 ? path.moveTo(pt) : path.lineTo(pt);
    }
    path.closeSubpath();
    QPainterPath hole;
    hole.addEllipse(QPointF(16, 16), 4.5, 4.5);
    path = path.subtracted(hole);
    QLinearGradient g(0, 2, 0, 30);
    g.setColorAt(0, steel.lighter(150));
    g.setColorAt(1, steel);
    p.setPen(QPen(steel.darker(150), 1.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(g);
    p.drawPath(path);
}

void table(QPainter& p)
{
    p.setPen(QPen(green.darker(140), 1.2));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(3.5, 5.5, 25, 21));
    p.setBrush(green);
    p.drawRect(QRectF(3.5, 5.5, 25, 5));
    p.setPen(QPen(QColor(0x9a, 0xb8, 0xa4), 1));
    for (double y : {15.5, 20.5})
        p.drawLine(QPointF(4, y), QPointF(28, y));
    for (double x : {8.5, 18.5})
        p.drawLine(QPointF(x, 11), QPointF(x, 26));
}

void bubbles(QPainter& p)
{
    auto bubble = [&](const QRectF& r, const QColor& c, bool tailLeft) {
        QPainterPath path;
        path.addRoundedRect(r, 5, 5);
        QPainterPath tail;
        const double x = tailLeft ? r.left() + 5 : r.right() - 5;
        tail.moveTo(x, r.bottom() - 1);
        tail.lineTo(tailLeft ? x - 2 : x + 2, r.bottom() + 5);
        tail.lineTo(tailLeft ? x + 5 : x - 5, r.bottom() - 1);
        tail.closeSubpath();
        path = path.united(tail);
        p.setPen(QPen(c.darker(150), 1.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(c);
        p.drawPath(path);
    };
    bubble(QRectF(2.5, 3.5, 19, 13), QColor(0x5b, 0x9b, 0xd5), true);
    bubble(QRectF(10.5, 12.5, 19, 12), QColor(0xf2, 0xb1, 0x4c), false);
    p.setPen(QPen(Qt::white, 1.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(6.5, 8), QPointF(17.5, 8));
    p.drawLine(QPointF(6.5, 11.5), QPointF(13.5, 11.5));
    p.drawLine(QPointF(14.5, 17.5), QPointF(25.5, 17.5));
    p.drawLine(QPointF(14.5, 21), QPointF(21.5, 21));
}

void pin(QPainter& p, bool on)
{
    const QColor head = on ? red : QColor(0x9a, 0xa3, 0xae);
    p.save();
    p.translate(16, 16);
    p.rotate(on ? 0 : 35);
    p.translate(-16, -16);
    p.setPen(QPen(QColor(0x55, 0x5b, 0x63), 1.8, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(16, 19), QPointF(16, 30));
    QPainterPath body;
    body.moveTo(10, 4);
    body.lineTo(22, 4);
    body.lineTo(20, 7);
    body.lineTo(20, 13);
    body.lineTo(25, 19);
    body.lineTo(7, 19);
    body.lineTo(12, 13);
    body.lineTo(12, 7);
    body.closeSubpath();
    QLinearGradient g(8, 0, 24, 0);
    g.setColorAt(0, head.lighter(140));
    g.setColorAt(1, head.darker(110));
    p.setPen(QPen(head.darker(150), 1.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(g);
    p.drawPath(body);
    p.restore();
}

void floppy(QPainter& p)
{
    p.setPen(QPen(blue.darker(150), 1.4, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.setBrush(blue);
    QPainterPath body;
    body.moveTo(3.5, 3.5);
    body.lineTo(24.5, 3.5);
    body.lineTo(28.5, 7.5);
    body.lineTo(28.5, 28.5);
    body.lineTo(3.5, 28.5);
    body.closeSubpath();
    p.drawPath(body);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xe8, 0xee, 0xf6));
    p.drawRect(QRectF(8, 4.5, 15, 9));
    p.setBrush(blue.darker(130));
    p.drawRect(QRectF(18, 6, 3, 6));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(7, 18, 18, 9.5));
}

void folder(QPainter& p)
{
    const QColor amber(0xe8, 0xa8, 0x36);
    p.setPen(QPen(amber.darker(150), 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(amber.darker(115));
    QPainterPath back;
    back.moveTo(3.5, 26.5);
    back.lineTo(3.5, 6.5);
    back.lineTo(11.5, 6.5);
    back.lineTo(14.5, 9.5);
    back.lineTo(25.5, 9.5);
    back.lineTo(25.5, 26.5);
    back.closeSubpath();
    p.drawPath(back);
    p.setBrush(amber.lighter(115));
    QPainterPath front;
    front.moveTo(3.5, 26.5);
    front.lineTo(8.5, 14.5);
    front.lineTo(29.5, 14.5);
    front.lineTo(25.5, 26.5);
    front.closeSubpath();
    p.drawPath(front);
}

void resetArrow(QPainter& p)
{
    // The refresh arrow turned the other way round.
    const QColor c(0x8e, 0x44, 0xad);
    p.translate(32, 0);
    p.scale(-1, 1);
    p.setPen(QPen(c, 3.6, Qt::SolidLine, Qt::FlatCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(7.5, 7.5, 17, 17), 100 * 16, 290 * 16);
    QPainterPath head;
    head.moveTo(15.0, 2.5);
    head.lineTo(22.5, 8.4);
    head.lineTo(14.6, 13.8);
    head.closeSubpath();
    p.setPen(QPen(c, 1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(c);
    p.drawPath(head);
}

// The splash picture: a card with a round emblem on the key colour. The
// outline is drawn with soft edges and then made hard, so no pixel of the
// border is a mix with the key colour that would survive the cut as a fringe.
void splash()
{
    const int w = 300, h = 190;
    QImage shape(w, h, QImage::Format_ARGB32_Premultiplied);
    shape.fill(Qt::transparent);
    QPainter p(&shape);
    p.setRenderHint(QPainter::Antialiasing);

    const QRectF card(96, 8, 200, 150);
    QLinearGradient cardFill(0, card.top(), 0, card.bottom());
    cardFill.setColorAt(0, QColor(0xff, 0xfd, 0xf6));
    cardFill.setColorAt(1, QColor(0xef, 0xe6, 0xd2));
    p.setPen(QPen(QColor(0x3b, 0x4a, 0x6b), 2));
    p.setBrush(cardFill);
    p.drawRoundedRect(card, 16, 16);

    // A band along the card's lower edge.
    p.save();
    QPainterPath clip;
    clip.addRoundedRect(card.adjusted(1, 1, -1, -1), 15, 15);
    p.setClipPath(clip);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x3b, 0x4a, 0x6b));
    p.drawRect(QRectF(card.left(), card.bottom() - 34, card.width(), 34));
    p.setBrush(QColor(0xd9, 0xa4, 0x41));
    p.drawRect(QRectF(card.left(), card.bottom() - 38, card.width(), 4));
    p.restore();

    // Three linked dots on the band: links gathered into a list.
    p.setPen(QPen(QColor(0xf5, 0xe9, 0xcf), 2));
    p.drawLine(QPointF(190, 141), QPointF(270, 141));
    p.setBrush(QColor(0xd9, 0xa4, 0x41));
    for (double x : {190.0, 230.0, 270.0})
        p.drawEllipse(QPointF(x, 141), 5, 5);

    // The emblem: a disc with a quill.
    const QPointF centre(82, 106);
    const double radius = 76;
    QRadialGradient disc(centre - QPointF(24, 28), radius * 1.5);
    disc.setColorAt(0, QColor(0x5d, 0x86, 0xc8));
    disc.setColorAt(1, QColor(0x1d, 0x33, 0x66));
    p.setPen(QPen(QColor(0xd9, 0xa4, 0x41), 4));
    p.setBrush(disc);
    p.drawEllipse(centre, radius, radius);

    QPainterPath feather;
    feather.moveTo(48, 152);
    feather.cubicTo(60, 110, 92, 62, 128, 44);
    feather.cubicTo(122, 78, 100, 116, 62, 140);
    feather.closeSubpath();
    QLinearGradient vane(48, 152, 128, 44);
    vane.setColorAt(0, QColor(0xe9, 0xee, 0xf7));
    vane.setColorAt(1, Qt::white);
    p.setPen(QPen(QColor(0xc7, 0xd3, 0xe8), 1.2));
    p.setBrush(vane);
    p.drawPath(feather);
    p.setPen(QPen(QColor(0x9f, 0xb2, 0xd2), 1.6, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    QPainterPath shaft;
    shaft.moveTo(40, 166);
    shaft.cubicTo(62, 128, 92, 84, 124, 50);
    p.drawPath(shaft);
    p.setPen(QPen(QColor(0xc7, 0xd3, 0xe8), 1.0));
    for (int i = 0; i < 6; ++i) {
        const double t = 0.25 + i * 0.1;
        const QPointF on = shaft.pointAtPercent(t);
        p.drawLine(on, on + QPointF(12 - i, 6 - i * 0.6));
    }
    // The nib's ink dot.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xd9, 0xa4, 0x41));
    p.drawEllipse(QPointF(38, 170), 3.2, 3.2);
    p.end();

    QImage out(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const QRgb px = shape.pixel(x, y); // un-premultiplied
            QRgb value = qRgb(255, 0, 0);
            if (qAlpha(px) >= 128) {
                value = qRgb(qRed(px), qGreen(px), qBlue(px));
                if (value == qRgb(255, 0, 0)) // never the key inside the shape
                    value = qRgb(254, 0, 0);
            }
            out.setPixel(x, y, value);
        }
    }
    save(out, QStringLiteral("splash.png"));
}

} // namespace

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    outDir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("images");
    QDir().mkpath(outDir);

    navButton(QStringLiteral("back"), [](QPainter& p, double) { arrow(p, true); });
    navButton(QStringLiteral("forward"), [](QPainter& p, double) { arrow(p, false); });
    navButton(QStringLiteral("stop"), [](QPainter& p, double) { stopGlyph(p); });
    navButton(QStringLiteral("refresh"), [](QPainter& p, double) { refreshGlyph(p); });
    navButton(QStringLiteral("home"), [](QPainter& p, double) { houseGlyph(p, blue); });

    icon(QStringLiteral("tab-browse.png"), 32, [](QPainter& p, double) { globe(p); });
    icon(QStringLiteral("tab-links.png"), 32, [](QPainter& p, double) { chain(p); });
    icon(QStringLiteral("tab-config.png"), 32, [](QPainter& p, double) { gear(p); });
    icon(QStringLiteral("tab-data.png"), 32, [](QPainter& p, double) { table(p); });
    icon(QStringLiteral("forums.png"), 32, [](QPainter& p, double) { bubbles(p); });
    icon(QStringLiteral("ontop.png"), 32, [](QPainter& p, double) { pin(p, false); });
    icon(QStringLiteral("ontop-on.png"), 32, [](QPainter& p, double) { pin(p, true); });
    icon(QStringLiteral("config-save.png"), 16, [](QPainter& p, double) { floppy(p); });
    icon(QStringLiteral("config-load.png"), 16, [](QPainter& p, double) { folder(p); });
    icon(QStringLiteral("config-default.png"), 16, [](QPainter& p, double) { resetArrow(p); });
    splash();
    return 0;
}
