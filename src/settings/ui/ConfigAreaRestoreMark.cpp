#include "settings/ui/ConfigAreaRestoreMark.h"

#include <QEvent>
#include <QLineEdit>
#include <QPainter>

ConfigAreaRestoreMark::ConfigAreaRestoreMark(const QString& defaultText, QLineEdit* field)
    : QAbstractButton(field), m_field(field)
{
    setText(defaultText);
    setToolTip(defaultText);
    setFocusPolicy(Qt::NoFocus);
    // The field's text cursor would be inherited otherwise.
    setCursor(Qt::ArrowCursor);
    resize(MarkWidth, MarkHeight);
    // A child of the field sits on top of it and moves with it; only a change
    // of the field's width moves the corner.
    m_field->installEventFilter(this);
    placeOnField();
    hide();
}

void ConfigAreaRestoreMark::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::ButtonText));
}

bool ConfigAreaRestoreMark::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_field && event->type() == QEvent::Resize)
        placeOnField();
    return QAbstractButton::eventFilter(watched, event);
}

void ConfigAreaRestoreMark::placeOnField()
{
    move(qMax(0, m_field->width() - MarkWidth), 0);
    raise();
}
