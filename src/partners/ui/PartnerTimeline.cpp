#include "partners/ui/PartnerTimeline.h"

#include "partners/ui/PartnerPalette.h"

#include <QHelpEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolTip>
#include <algorithm>

PartnerTimeline::PartnerTimeline(QWidget* parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void PartnerTimeline::setPoints(const QList<PartnerStatePoint>& points, const QDate& until)
{
    m_points = points;
    std::stable_sort(m_points.begin(), m_points.end(),
                     [](const PartnerStatePoint& a, const PartnerStatePoint& b) { return a.date < b.date; });
    m_until = until;
    update();
}

QSize PartnerTimeline::sizeHint() const
{
    return {320, fontMetrics().height() + 6};
}

QSize PartnerTimeline::minimumSizeHint() const
{
    return {60, fontMetrics().height() + 6};
}

QRectF PartnerTimeline::barRect() const
{
    return QRectF(rect()).adjusted(1.5, 3.5, -1.5, -3.5);
}

QList<PartnerTimeline::Segment> PartnerTimeline::segments() const
{
    QList<Segment> out;
    if (m_points.isEmpty())
        return out;
    const QDate first = m_points.constFirst().date;
    const QDate last = m_points.constLast().date;
    // The last state lasts until the given day; when that is not later, it
    // still gets a day, so a single check shows as a whole line.
    const QDate end = m_until > last ? m_until : last.addDays(1);
    const double days = double(first.daysTo(end));
    for (qsizetype i = 0; i < m_points.size(); ++i) {
        const QDate to = i + 1 < m_points.size() ? m_points[i + 1].date : end;
        if (to == m_points[i].date)
            continue; // a later check of the same day says what held that day
        out.append({first.daysTo(m_points[i].date) / days, first.daysTo(to) / days, &m_points[i], to});
    }
    return out;
}

void PartnerTimeline::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bar = barRect();
    QPainterPath outline;
    outline.addRoundedRect(bar, 3, 3);
    painter.setClipPath(outline);
    painter.fillRect(bar, palette().color(QPalette::Base));
    for (const Segment& s : segments()) {
        const QRectF part(bar.left() + s.from * bar.width(), bar.top(), (s.to - s.from) * bar.width(),
                          bar.height());
        painter.fillRect(part, PartnerPalette::color(s.point->state));
        if (s.from > 0) {
            // A thin light line where a check began a new segment.
            painter.setPen(QPen(QColor(255, 255, 255, 200), 1));
            painter.drawLine(part.topLeft(), part.bottomLeft());
        }
    }
    painter.setClipping(false);
    painter.setPen(QPen(palette().color(QPalette::Mid), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(outline);
}

bool PartnerTimeline::event(QEvent* event)
{
    if (event->type() != QEvent::ToolTip)
        return QWidget::event(event);
    const auto* help = static_cast<QHelpEvent*>(event);
    const QRectF bar = barRect();
    const double at = (help->pos().x() - bar.left()) / bar.width();
    for (const Segment& s : segments()) {
        if (at >= s.from && at <= s.to) {
            QToolTip::showText(
                help->globalPos(),
                tr("%1 to %2: %3")
                    .arg(s.point->date.toString(Qt::ISODate), s.end.toString(Qt::ISODate), s.point->words),
                this);
            return true;
        }
    }
    QToolTip::hideText();
    event->ignore();
    return true;
}
