#include "shell/ui/SplashWindow.h"

#include "Version.h"
#include "shell/ui/WindowHelpers.h"
#include "shell/ui/WindowShape.h"

#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QWindow>
#include <cmath>

namespace {

constexpr int ClientWidth = 4455; // twips
constexpr int ClientHeight = 2850;

int toPixels(int twips, double twipsPerPixel)
{
    return int(std::lround(twips / twipsPerPixel));
}

QFont labelFont(qreal pointSize)
{
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(pointSize);
    font.setBold(true);
    return font;
}

} // namespace

SplashWindow::SplashWindow(QWidget& next, int intervalMs)
    : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint), m_next(next),
      m_picture(QStringLiteral(":/images/splash.png"))
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral(QUILLMARK_APP_TITLE));

    const double tppX = 1440.0 / logicalDpiX();
    const double tppY = 1440.0 / logicalDpiY();
    setFixedSize(toPixels(ClientWidth, tppX), toPixels(ClientHeight, tppY));
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    const QColor back(int(BackColor & 0xFF), int((BackColor >> 8) & 0xFF), int((BackColor >> 16) & 0xFF));
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, back);
    setPalette(palette);
    setAutoFillBackground(true);

    m_label1 = new QLabel(this);
    m_label1->setObjectName(QStringLiteral("Label1"));
    m_label1->setFont(labelFont(9.75));
    m_label1->move(toPixels(2640, tppX), toPixels(960, tppY));
    m_label2 = new QLabel(this);
    m_label2->setObjectName(QStringLiteral("Label2"));
    m_label2->setFont(labelFont(12));
    m_label2->move(toPixels(2280, tppX), toPixels(360, tppY));

    m_label1->setText(QStringLiteral("v.") + QStringLiteral(QUILLMARK_VERSION_TEXT));
    m_label2->setText(QStringLiteral(QUILLMARK_APP_TITLE));
    m_label1->adjustSize();
    m_label2->adjustSize();

    m_key = WindowHelpers::translateSystemColor(BackColor, this->palette());
    WindowShape::cutOutKeyColour(this, m_key);

    m_timer.setSingleShot(true);
    m_timer.setInterval(intervalMs);
    connect(&m_timer, &QTimer::timeout, this, &SplashWindow::onTimer);
    m_timer.start();

    WindowHelpers::setAlwaysOnTop(this, true);
}

void SplashWindow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_picture);
}

void SplashWindow::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    // Let the window manager move the window as if its caption were grabbed;
    // where it cannot, follow the mouse by hand.
    if (QWindow* window = windowHandle(); window && window->startSystemMove())
        return;
    m_manualDrag = true;
    m_dragOffset = event->globalPosition().toPoint() - frameGeometry().topLeft();
}

void SplashWindow::mouseMoveEvent(QMouseEvent* event)
{
    if (m_manualDrag && (event->buttons() & Qt::LeftButton))
        move(event->globalPosition().toPoint() - m_dragOffset);
}

void SplashWindow::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        m_manualDrag = false;
}

void SplashWindow::onTimer()
{
    // The next window's own start-up runs as it is shown.
    m_next.show();
    close();
}
