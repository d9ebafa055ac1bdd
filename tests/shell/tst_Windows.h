#pragma once

#include <QObject>

class ShellFixture;

// The region scan, the window helpers, the splash window and the main window.
class TestWindows : public QObject
{
    Q_OBJECT

public:
    explicit TestWindows(ShellFixture& fixture) : m_fixture(fixture) {}

private Q_SLOTS:
    void scanRuns_data();
    void scanRuns();
    void translateSystemColor_data();
    void translateSystemColor();

    void splashLoad();
    void splashShapeIsTheScannedRegion();
    void splashDrag();
    void splashTimerShowsNextAndCloses();

    void startUpRunsInOrder();
    void startUpLoadsListsNamedBySettings();
    void captionBeforeAndAfterAPage();
    void showingLaysOutEveryArea();
    void tabSwitchingKeepsState();
    void forumsKeepsSelectedArea();
    void onTopKeepsPlaceAndSize();

private:
    ShellFixture& m_fixture;
};
