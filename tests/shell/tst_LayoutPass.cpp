#include "shell/LayoutPass.h"

#include <QTest>

class TestLayoutPass : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void workedExample();
    void tooSmallKeepsLastGoodValues_data();
    void tooSmallKeepsLastGoodValues();
    void laterRulesReadSnappedValues();
    void columnWidthsRoundHalfToEven_data();
    void columnWidthsRoundHalfToEven();
    void layoutDependsOnlyOnSize();
};

void TestLayoutPass::workedExample()
{
    const LayoutResult r = LayoutPass::run(12000, 9000, LayoutResult::design());

    for (int i = 0; i < LayoutResult::Areas; ++i) {
        QCOMPARE(r.areas[i].top(), 855);
        QCOMPARE(r.areas[i].left(), 0);
        QCOMPARE(r.areas[i].width(), 11885);
        QCOMPARE(r.areas[i].height(), 7745);
        QCOMPARE(r.tabs[i], QRect(960 * i, 0, 975, 855));
    }
    QCOMPARE(r.web, QRect(0, 600, 11835, 7095));
    QCOMPARE(r.links, QRect(0, 1080, 11845, 6665));
    QCOMPARE(r.text31, QRect(2160, 720, 9525, 285));
    QCOMPARE(r.grid, QRect(0, 960, 11835, 6735));
    QCOMPARE(r.label4, QRect(1560, 720, 11835, 255));
    QCOMPARE(r.columnWidths[0], 462);
    for (int c = 1; c < LayoutResult::GridColumns; ++c)
        QCOMPARE(r.columnWidths[c], 2876);
    QCOMPARE(r.check6, QRect(11030, 0, 855, 855));
    QCOMPARE(r.command1, QRect(10175, 0, 855, 855));
}

void TestLayoutPass::tooSmallKeepsLastGoodValues_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");

    QTest::newRow("lower than the tab row plus 400") << 12000 << 1254;
    QTest::newRow("area height 0, browser refuses") << 12000 << 1255;
    QTest::newRow("narrower than the right-hand buttons") << 900 << 9000;
    QTest::newRow("nothing fits") << 10 << 10;
}

void TestLayoutPass::tooSmallKeepsLastGoodValues()
{
    QFETCH(int, width);
    QFETCH(int, height);

    const LayoutResult good = LayoutPass::run(12000, 9000, LayoutResult::design());
    const LayoutResult r = LayoutPass::run(width, height, good);

    const int areaHeight = height - 855 - 400;
    const int areaWidth = width - 115;
    for (int i = 0; i < LayoutResult::Areas; ++i) {
        QCOMPARE(r.tabs[i], good.tabs[i]);
        QCOMPARE(r.areas[i].top(), 855);
        QCOMPARE(r.areas[i].height(), areaHeight >= 0 ? areaHeight : good.areas[i].height());
        QCOMPARE(r.areas[i].width(), areaWidth >= 0 ? areaWidth : good.areas[i].width());
    }
    // Each dependent rule reads the value the area kept or got.
    const QRect area = r.areas[0];
    const int webHeight = area.height() - 600 - 50;
    QCOMPARE(r.web.height(), webHeight >= 0 ? webHeight : good.web.height());
    QCOMPARE(r.web.width(), area.width() - 50 >= 0 ? area.width() - 50 : good.web.width());
    const int gridHeight = r.areas[3].height() - 960 - 50;
    QCOMPARE(r.grid.height(), gridHeight >= 0 ? gridHeight : good.grid.height());
    const int textWidth = r.areas[1].width() - 2160 - 200;
    QCOMPARE(r.text31.width(), textWidth >= 0 ? textWidth : good.text31.width());
    QCOMPARE(r.columnWidths, LayoutPass::columnWidths(r.grid.width()));

    const int onTopLeft = width - 855 - 115;
    QCOMPARE(r.check6.left(), onTopLeft >= 0 ? onTopLeft : good.check6.left());
    const int forumsLeft = r.check6.left() - 855;
    QCOMPARE(r.command1.left(), forumsLeft >= 0 ? forumsLeft : good.command1.left());
}

void TestLayoutPass::laterRulesReadSnappedValues()
{
    // 15 twips per pixel: 11885 twips is 792.33 pixels, snapped to 792 = 11880.
    const LayoutResult r = LayoutPass::run(12000, 9000, LayoutResult::design(), TwipsPerPixel{15, 15});
    QCOMPARE(r.areas[0].width(), 11880);
    QCOMPARE(r.areas[0].height(), 7740); // 7745 twips is 516.33 pixels
    // 11880 - 50 = 11830 twips, 788.67 pixels, snapped to 789 = 11835.
    QCOMPARE(r.web.width(), 11835);
    // 7740 - 600 - 50 = 7090 twips, 472.67 pixels, snapped to 473 = 7095.
    QCOMPARE(r.web.height(), 7095);
    QCOMPARE(r.links.width(), 11835); // 11840 is 789.33 pixels
    QCOMPARE(r.columnWidths, LayoutPass::columnWidths(r.grid.width()));
    for (const QRect& rect : {r.web, r.links, r.grid, r.label4, r.text31})
        QCOMPARE(rect.width() % 15, 0);
}

void TestLayoutPass::columnWidthsRoundHalfToEven_data()
{
    QTest::addColumn<int>("tableWidth");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("other");

    QTest::newRow("worked example") << 11835 << 462 << 2876;
    QTest::newRow("19.5 and 121.5 go up to even") << 500 << 20 << 122;
    QTest::newRow("58.5 and 364.5 go down to even") << 1500 << 58 << 364;
    QTest::newRow("just above a half") << 501 << 20 << 122; // 19.539, 121.743
    QTest::newRow("just below a half") << 499 << 19 << 121; // 19.461, 121.257
    QTest::newRow("empty table") << 0 << 0 << 0;
}

void TestLayoutPass::columnWidthsRoundHalfToEven()
{
    QFETCH(int, tableWidth);
    QFETCH(int, first);
    QFETCH(int, other);

    const auto widths = LayoutPass::columnWidths(tableWidth);
    QCOMPARE(widths[0], first);
    for (int c = 1; c < LayoutResult::GridColumns; ++c)
        QCOMPARE(widths[c], other);
}

void TestLayoutPass::layoutDependsOnlyOnSize()
{
    // Shrinking and growing back ends where a single pass at that size ends:
    // nothing of the intermediate pass survives once every rule applies again.
    const LayoutResult direct = LayoutPass::run(15000, 11000, LayoutResult::design());
    LayoutResult chained = LayoutPass::run(12000, 9000, LayoutResult::design());
    chained = LayoutPass::run(3000, 2000, chained);
    chained = LayoutPass::run(15000, 11000, chained);
    QCOMPARE(chained, direct);
}

QTEST_APPLESS_MAIN(TestLayoutPass)
#include "tst_LayoutPass.moc"
