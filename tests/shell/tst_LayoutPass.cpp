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
    QCOMPARE(r.linkBox, QRect(2160, 720, 9525, 285));
    QCOMPARE(r.grid, QRect(0, 960, 11835, 6735));
    QCOMPARE(r.status, QRect(1560, 720, 11835, 255));
    QCOMPARE(r.columnWidths[0], 462);
    for (int c = 1; c < ResultsTable::Columns; ++c)
        QCOMPARE(r.columnWidths[c], 2876);
    QCOMPARE(r.onTop, QRect(11030, 0, 855, 855));
    QCOMPARE(r.forums, QRect(10175, 0, 855, 855));
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
    QCOMPARE(r.linkBox.width(), textWidth >= 0 ? textWidth : good.linkBox.width());
    QCOMPARE(r.columnWidths, ResultsColumnWidths::forTableWidth(r.grid.width()));

    const int onTopLeft = width - 855 - 115;
    QCOMPARE(r.onTop.left(), onTopLeft >= 0 ? onTopLeft : good.onTop.left());
    const int forumsLeft = r.onTop.left() - 855;
    QCOMPARE(r.forums.left(), forumsLeft >= 0 ? forumsLeft : good.forums.left());
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
    QCOMPARE(r.columnWidths, ResultsColumnWidths::forTableWidth(r.grid.width()));
    for (const QRect& rect : {r.web, r.links, r.grid, r.status, r.linkBox})
        QCOMPARE(rect.width() % 15, 0);
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
