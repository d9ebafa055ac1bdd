#include "TestFiles.h"
#include "partners/ui/PartnerChart.h"
#include "partners/ui/PartnerPicture.h"

#include <QImage>
#include <QTemporaryDir>
#include <QTest>

class PictureTests : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void chartNeverShown();
};

// The report's picture is made from a chart that may never have been on
// screen: it must come out whole, at the chart's own size.
void PictureTests::chartNeverShown()
{
    QList<PartnerStateCounts> bars;
    for (int i = 0; i < 6; ++i) {
        PartnerStateCounts bar;
        bar.date = QDate(2025, 1, 6).addDays(28 * i);
        bar.counts = {44 - 3 * i, 3 + i, 2 + i, 1 + i};
        bars.append(bar);
    }
    QTemporaryDir tmp;
    PartnerChart chart;
    chart.setCounts(bars);
    QVERIFY(PartnerPicture::save(&chart, tmp.filePath("chart.png"), QStringLiteral("Partners")).ok);
    QCOMPARE(QImage(tmp.filePath("chart.png")).size(), QSize(720, 380));

    QVERIFY(PartnerPicture::save(&chart, tmp.filePath("chart.SVG"), QStringLiteral("Partners")).ok);
    const QByteArray svg = readBytes(tmp.filePath("chart.SVG"));
    QVERIFY(svg.contains("viewBox=\"0 0 720 380\""));
    QVERIFY(svg.contains("fill=\"#2e7d32\"")); // the followed bars
    QVERIFY(svg.contains(">2025-05-26<"));     // the last date, whole
}

QTEST_MAIN(PictureTests)
#include "tst_Picture.moc"
