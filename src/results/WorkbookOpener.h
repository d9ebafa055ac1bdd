#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// Hands a finished workbook to the desktop's spreadsheet application and
// forgets about it: the application is started detached, never waited for.
class WorkbookOpener
{
public:
    struct Command
    {
        QString program;       // looked up in the search paths
        QStringList arguments; // the workbook's path follows them
    };

    // LibreOffice Calc where installed, else whatever the desktop opens .xlsx with.
    static QList<Command> defaultCommands();

    // Empty `searchPaths` means the PATH of the environment.
    explicit WorkbookOpener(QList<Command> commands = defaultCommands(), QStringList searchPaths = {});

    // Starts the first command whose program exists and can be started;
    // returns that program's path, or an empty text when none could.
    QString open(const QString& workbookPath) const;

private:
    QList<Command> m_commands;
    QStringList m_searchPaths;
};
