#include "shell/WebEngineSetup.h"

#include <QApplication>
#include <QStandardPaths>

// The rules and the area share one executable; the area's tests need a
// QApplication and the web engine set up as the program sets them up.
int runLinkRulesTests(int argc, char** argv);
int runLinksAreaTests(int argc, char** argv);
int runLinksRoadTests(int argc, char** argv);

int main(int argc, char** argv)
{
    WebEngineSetup::beforeApplication();
    QApplication app(argc, argv);
    // Whatever the engine keeps goes to Qt's test folders, never the user's.
    QStandardPaths::setTestModeEnabled(true);
    int failures = 0;
    failures += runLinkRulesTests(argc, argv);
    failures += runLinksAreaTests(argc, argv);
    failures += runLinksRoadTests(argc, argv);
    return failures == 0 ? 0 : 1;
}
