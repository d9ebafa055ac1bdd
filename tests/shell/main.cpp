#include "ShellFixture.h"
#include "shell/browser/WebEngineSetup.h"
#include "tst_BrowserPane.h"
#include "tst_Windows.h"

#include <QApplication>
#include <QStandardPaths>
#include <QTest>

int main(int argc, char* argv[])
{
    WebEngineSetup::beforeApplication();
    QApplication app(argc, argv);
    // The browser's profile goes to the user's data and cache folders: in a
    // test, to Qt's own test folders, never the user's.
    QStandardPaths::setTestModeEnabled(true);
    ShellFixture fixture;
    if (!fixture.isValid())
        return 1;

    int status = 0;
    {
        TestWindows windows(fixture);
        status |= QTest::qExec(&windows, argc, argv);
    }
    {
        TestBrowserPane pane(fixture);
        status |= QTest::qExec(&pane, argc, argv);
    }
    return status;
}
