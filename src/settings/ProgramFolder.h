#pragma once

#include <QString>

// The folder every file name of the program is relative to. Created once in
// main() (or by a test with a folder of its own) and passed to whoever opens files.
class ProgramFolder
{
public:
    explicit ProgramFolder(const QString& path);

    // The folder of the executable when it can be written, else the user's data
    // folder, created and seeded with the default files on first use.
    static ProgramFolder forApplication();

    const QString& path() const { return m_path; }
    // The folder, a path separator, then name, as the program has always built
    // its paths: an empty name gives the folder itself (which no file load opens).
    QString filePath(const QString& name) const;

private:
    QString m_path;
};
