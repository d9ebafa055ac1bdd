#include "results/ui/DataAreaProgressBar.h"

#include <QPainter>
#include <cmath>

DataAreaProgressBar::DataAreaProgressBar(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Image3"));
}

void DataAreaProgressBar::setFraction(double fraction)
{
    // A list that shrank during a run can push i / N past one; NaN from 0 / 0
    // must not reach the painter.
    if (!std::isfinite(fraction))
        fraction = 0.0;
    fraction = qBound(0.0, fraction, 1.0);
    if (fraction == m_fraction)
        return;
    m_fraction = fraction;
    update();
}

int DataAreaProgressBar::filledWidth() const
{
    return int(std::lround(m_fraction * width()));
}

QSize DataAreaProgressBar::sizeHint() const
{
    return {120, 12};
}

void DataAreaProgressBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const int filled = filledWidth();
    if (filled > 0)
        painter.fillRect(QRect(0, 0, filled, height()), palette().color(QPalette::Highlight));
    // A faint outline shows where the bar ends while it is still empty.
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}
