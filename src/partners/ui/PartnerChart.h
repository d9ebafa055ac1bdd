#pragma once

#include "partners/PartnerStates.h"

#include <QChartView>

// For each check date a bar of the partners by state, stacked from followed
// at the bottom to gone at the top, so the green part shrinking over the
// months is what the eye meets first. Pointing at a part names its date,
// state and count.
class PartnerChart : public QChartView
{
    Q_OBJECT

public:
    explicit PartnerChart(QWidget* parent = nullptr);

    void setCounts(const QList<PartnerStateCounts>& bars);

    QSize sizeHint() const override { return {720, 380}; }

private:
    QList<PartnerStateCounts> m_bars;
};
