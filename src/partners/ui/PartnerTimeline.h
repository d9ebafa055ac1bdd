#pragma once

#include "partners/PartnerStates.h"

#include <QWidget>

// One partner's states over time on one line: a coloured segment from each
// check to the next, the last one reaching to a given day (today, usually).
// Pointing at a segment names its dates and what the check said.
class PartnerTimeline : public QWidget
{
    Q_OBJECT

public:
    explicit PartnerTimeline(QWidget* parent = nullptr);

    // The checks in any order; until: the day the line ends.
    void setPoints(const QList<PartnerStatePoint>& points, const QDate& until);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

private:
    struct Segment
    {
        double from; // 0..1 of the width
        double to;
        const PartnerStatePoint* point;
        QDate end;
    };
    QList<Segment> segments() const;
    QRectF barRect() const;

    QList<PartnerStatePoint> m_points;
    QDate m_until;
};
