#pragma once

#include <QString>

// What became of one save. A widget that gets ok == false tells the user
// message() in a message box; loads have no such outcome, they stay silent.
struct SaveOutcome
{
    bool ok = false;
    QString path;  // the file that was (or should have been) written
    QString error; // why it was not, empty when ok

    static SaveOutcome success(const QString& path) { return {true, path, QString()}; }
    static SaveOutcome failure(const QString& path, const QString& error) { return {false, path, error}; }

    QString message() const { return QStringLiteral("Cannot save %1: %2").arg(path, error); }
};
