#include "partners/ui/PartnerChart.h"

#include "partners/ui/PartnerPalette.h"

#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QLegendMarker>
#include <QStackedBarSeries>
#include <QToolTip>
#include <QValueAxis>
#include <algorithm>

namespace {

// A count axis with at most five steps of a round size: 0, 10, 20 ... 50
// for 50 partners, never a tick at half a partner.
struct Scale
{
    int top;
    int step;
};

Scale scaleFor(int most)
{
    int step = 1;
    for (const int round : {1, 2, 5, 10, 20, 25, 50, 100, 200, 250, 500, 1000, 2000, 2500, 5000, 10000}) {
        step = round;
        if (most <= round * 5)
            break;
    }
    const int top = std::max(step, (most + step - 1) / step * step);
    return {top, step};
}

} // namespace

PartnerChart::PartnerChart(QWidget* parent) : QChartView(parent)
{
    setRenderHint(QPainter::Antialiasing);
    setFrameShape(QFrame::NoFrame);
    setBackgroundBrush(Qt::white);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    white.setColor(QPalette::Base, Qt::white);
    setPalette(white);
    setCounts({});
}

void PartnerChart::setCounts(const QList<PartnerStateCounts>& bars)
{
    m_bars = bars;
    auto* fresh = new QChart;
    fresh->setTitle(tr("Partners by state at each check"));
    fresh->setAnimationOptions(QChart::NoAnimation);
    fresh->setMargins(QMargins(4, 4, 4, 4));
    // The chart draws on the view's white, edge to edge: no grey frame of
    // the window's colour around it, on screen or in a saved picture.
    fresh->setBackgroundVisible(false);
    fresh->legend()->setAlignment(Qt::AlignBottom);

    auto* series = new QStackedBarSeries;
    series->setBarWidth(0.6);
    QStringList dates;
    int most = 0;
    for (const PartnerStateCounts& bar : bars) {
        dates.append(bar.date.toString(Qt::ISODate));
        int total = 0;
        for (const int n : bar.counts)
            total += n;
        most = std::max(most, total);
    }
    for (int s = 0; s < PartnerStateCount; ++s) {
        const auto state = PartnerState(s);
        auto* set = new QBarSet(PartnerStates::label(state));
        set->setColor(PartnerPalette::color(state));
        set->setBorderColor(Qt::white);
        for (const PartnerStateCounts& bar : bars)
            *set << bar.counts[size_t(s)];
        series->append(set);
    }
    fresh->addSeries(series);

    auto* dateAxis = new QBarCategoryAxis;
    dateAxis->append(dates);
    dateAxis->setGridLineVisible(false);
    if (dates.size() > 10)
        dateAxis->setLabelsAngle(-90); // many checks: the dates would overlap side by side
    fresh->addAxis(dateAxis, Qt::AlignBottom);
    series->attachAxis(dateAxis);

    auto* countAxis = new QValueAxis;
    countAxis->setLabelFormat(QStringLiteral("%d"));
    const Scale scale = scaleFor(most);
    countAxis->setRange(0, scale.top);
    countAxis->setTickType(QValueAxis::TicksDynamic);
    countAxis->setTickAnchor(0);
    countAxis->setTickInterval(scale.step);
    countAxis->setMinorTickCount(0);
    countAxis->setTitleText(tr("Partners"));
    fresh->addAxis(countAxis, Qt::AlignLeft);
    series->attachAxis(countAxis);

    if (bars.isEmpty()) {
        // An empty frame of axes would look like a fault: say what is missing.
        fresh->setTitle(tr("No check of the partners yet"));
        dateAxis->setVisible(false);
        countAxis->setVisible(false);
        fresh->legend()->setVisible(false);
    }

    connect(series, &QStackedBarSeries::hovered, this, [this](bool on, int index, QBarSet* set) {
        if (!on || index < 0 || index >= m_bars.size()) {
            QToolTip::hideText();
            return;
        }
        QToolTip::showText(QCursor::pos(), tr("%1\n%2: %3")
                                               .arg(m_bars.at(index).date.toString(Qt::ISODate), set->label())
                                               .arg(int(set->at(index))));
    });

    QChart* old = chart();
    setChart(fresh);
    delete old;
}
