#include "settings/ProgramFolder.h"
#include "shell/BrowserPane.h"
#include "shell/MainWindow.h"
#include "shell/SplashWindow.h"
#include "shell/Workspace.h"

#include <QApplication>
#include <QWebEngineProfile>

int main(int argc, char* argv[])
{
    // The web engine shares its GL contexts with the widgets; this has to be
    // said before the application object exists.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    // Names the user's data folder, shared with quillmark-batch, for an
    // installed copy whose own folder cannot be written.
    QCoreApplication::setApplicationName(QStringLiteral("Quillmark"));

    const ProgramFolder folder = ProgramFolder::forApplication();
    Workspace workspace(folder);
    // Declared before the window so that it outlives the window's pages.
    const std::unique_ptr<QWebEngineProfile> profile = BrowserPane::createProfile(folder);
    MainWindow window(workspace, *profile);
    SplashWindow splash(window);
    splash.show();
    return app.exec();
}
