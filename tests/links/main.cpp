#include "shell/browser/WebEngineSetup.h"

#include <QApplication>
#include <QStandardPaths>

// The area and the road through the window share one executable; they need a
// QApplication and the web engine set up as the program sets them up.
int runLinksAreaTests(int argc, char** argv);
int runLinksRoadTests(int argc, char** argv);

int main(int argc, char** argv)
{
    WebEngineSetup::beforeApplication();
    QApplication app(argc, argv);
    // Whatever the engine keeps goes to Qt's test folders, never the user's.
    QStandardPaths::setTestModeEnabled(true);
    int failures = 0;
    failures += runLinksAreaTests(argc, argv);
    failures += runLinksRoadTests(argc, argv);
    return failures == 0 ? 0 : 1;
}
