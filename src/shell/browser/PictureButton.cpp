#include "shell/browser/PictureButton.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>

PictureButton::PictureButton(QWidget* parent) : QWidget(parent)
{
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_Hover, false);
}

void PictureButton::setPictureFiles(const QString& atRest, const QString& pressed)
{
    m_atRestFile = atRest;
    m_pressedFile = pressed;
}

bool PictureButton::loadAtRest()
{
    return loadPicture(m_atRestFile);
}

bool PictureButton::loadPressed()
{
    return loadPicture(m_pressedFile);
}

bool PictureButton::loadPicture(const QString& file)
{
    QPixmap loaded;
    if (file.isEmpty() || !loaded.load(file))
        return false;
    m_picture = loaded;
    update();
    return true;
}

void PictureButton::setFallbackText(const QString& text)
{
    m_fallbackText = text;
    update();
}

QSize PictureButton::sizeHint() const
{
    return m_picture.isNull() ? QSize(32, 32) : m_picture.deviceIndependentSize().toSize();
}

void PictureButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (!m_picture.isNull()) {
        const QSize size = m_picture.deviceIndependentSize().toSize();
        painter.drawPixmap(QRect(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), size),
                           m_picture);
        return;
    }
    // Without a picture the button still has to be found and understood.
    QStyleOptionFrame frame;
    frame.initFrom(this);
    frame.rect = rect();
    frame.lineWidth = 1;
    frame.state |= m_primaryDown ? QStyle::State_Sunken : QStyle::State_Raised;
    style()->drawPrimitive(QStyle::PE_Frame, &frame, &painter, this);
    painter.drawText(rect(), Qt::AlignCenter | Qt::TextWordWrap, m_fallbackText);
}

void PictureButton::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        m_primaryDown = true;
    loadPressed();
    event->accept();
}

void PictureButton::mouseReleaseEvent(QMouseEvent* event)
{
    loadAtRest();
    const bool click =
        event->button() == Qt::LeftButton && m_primaryDown && rect().contains(event->position().toPoint());
    if (event->button() == Qt::LeftButton)
        m_primaryDown = false;
    update();
    event->accept();
    if (click)
        Q_EMIT clicked();
}
