#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

// Reads workbooks back through LibreOffice Calc: one headless conversion to
// CSV (UTF-8) for a whole batch of files, with a profile of its own so that it
// never meets a running office or the user's settings.
class CalcReader
{
public:
    static QString Program(); // empty when LibreOffice is not installed

    // Converts every file; returns each file's sheet rows, keyed by the file's
    // path. `error` says what went wrong when the conversion failed as a whole.
    static QHash<QString, QList<QStringList>> Read(const QStringList& files, const QString& workFolder,
                                                   QString* error);

    static QList<QStringList> ParseCsv(const QString& text);
};
