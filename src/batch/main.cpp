#include "BatchCommand.h"
#include "StopSignal.h"
#include "Version.h"

#include <QCoreApplication>
#include <csignal>
#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral(QUILLMARK_APP_TITLE));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUILLMARK_VERSION_TEXT));

    BatchCommand command(QCoreApplication::arguments(), stdout, stderr);
    StopSignal stop;
    // Ctrl-C during a batch run asks it to stop and write its rows. With no run
    // to stop (a test in flight, or the moment between the end of a run and the
    // end of the program) there is nothing to finish: the signal's default
    // action, restored by StopSignal, ends the program as the user expects.
    QObject::connect(&stop, &StopSignal::triggered, &command, [&command](int signalNumber) {
        if (!command.requestStop())
            std::raise(signalNumber);
    });
    // Queued: a run may finish inside start(), before app.exec() runs, and an
    // exit() asked for then would be lost, leaving the program waiting forever.
    QObject::connect(&command, &BatchCommand::finished, &app, &QCoreApplication::exit, Qt::QueuedConnection);
    const int code = command.start();
    if (code >= 0)
        return code;
    return app.exec();
}
