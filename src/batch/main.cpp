#include "BatchCommand.h"
#include "StopSignal.h"
#include "Version.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral(QUILLMARK_APP_TITLE));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUILLMARK_VERSION_TEXT));

    BatchCommand command(QCoreApplication::arguments(), stdout, stderr);
    StopSignal stop;
    QObject::connect(&stop, &StopSignal::triggered, &command, &BatchCommand::requestStop);
    QObject::connect(&command, &BatchCommand::finished, &app, &QCoreApplication::exit);
    const int code = command.start();
    if (code >= 0)
        return code;
    return app.exec();
}
