#include "shell/browser/WebEngineSetup.h"

#include <QCoreApplication>
#include <QtGlobal>
#include <cstdio>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

bool WebEngineSetup::runningAsRoot()
{
#ifdef Q_OS_UNIX
    return geteuid() == 0;
#else
    return false;
#endif
}

void WebEngineSetup::beforeApplication()
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);

    // Containers and fresh cloud machines often run everything as root. A
    // sandbox switched off by the user already needs no word from us.
    if (runningAsRoot() && qEnvironmentVariableIntValue("QTWEBENGINE_DISABLE_SANDBOX") == 0) {
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
        std::fputs("quillmark: running as root, so the web engine's sandbox is off\n", stderr);
    }
}
