#include "results/WorkbookOpener.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

QList<WorkbookOpener::Command> WorkbookOpener::defaultCommands()
{
    return {
        {QStringLiteral("libreoffice"), {QStringLiteral("--calc")}},
        {QStringLiteral("localc"), {}},
        {QStringLiteral("xdg-open"), {}},
    };
}

WorkbookOpener::WorkbookOpener(QList<Command> commands, QStringList searchPaths)
    : m_commands(std::move(commands)), m_searchPaths(std::move(searchPaths))
{}

QString WorkbookOpener::open(const QString& workbookPath) const
{
    const QString file = QFileInfo(workbookPath).absoluteFilePath();
    for (const Command& command : m_commands) {
        const QString program = QStandardPaths::findExecutable(command.program, m_searchPaths);
        if (program.isEmpty())
            continue;
        // The temporary folder as working directory, so the application
        // never pins the folder the program happened to be started from.
        if (QProcess::startDetached(program, command.arguments + QStringList{file}, QDir::tempPath()))
            return program;
    }
    return QString();
}
