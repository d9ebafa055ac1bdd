#include "settings/ProgramFolder.h"
#include "shell/Workspace.h"
#include "shell/browser/BrowserPane.h"
#include "shell/browser/WebEngineSetup.h"
#include "shell/ui/MainWindow.h"
#include "shell/ui/SplashWindow.h"

#include <QApplication>
#include <QWebEngineProfile>

int main(int argc, char* argv[])
{
    // Shared GL contexts and, as root, the sandbox switch: both have to be
    // settled before the application object exists.
    WebEngineSetup::beforeApplication();
    QApplication app(argc, argv);
    // Names the user's data and cache folders (shared with quillmark-batch),
    // which hold the browser's profile and, for an installed copy whose own
    // folder cannot be written, the user's files.
    QCoreApplication::setApplicationName(QStringLiteral("Quillmark"));

    const ProgramFolder folder = ProgramFolder::forApplication();
    Workspace workspace(folder);
    // Declared before the window so that it outlives the window's pages.
    const std::unique_ptr<QWebEngineProfile> profile = BrowserPane::createProfile();
    MainWindow window(workspace, *profile);
    SplashWindow splash(window);
    splash.show();
    return app.exec();
}
