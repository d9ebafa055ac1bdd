#pragma once

#include <QString>
#include <QStringList>

// The folder every file name of the program is relative to. Created once in
// main() (or by a test with a folder of its own) and passed to whoever opens files.
class ProgramFolder
{
public:
    static constexpr char SettingsFileName[] = "links.ini";
    static constexpr char StatusCodesFileName[] = "headers.txt";

    explicit ProgramFolder(const QString& path);

    // The folder of the executable when it can be written and is not an
    // installed copy's bin folder, else the user's data folder, created and
    // seeded with the default files on first use.
    static ProgramFolder forApplication();
    // The same choice between two given folders. The fallback is seeded (from
    // share/quillmark of an installed copy, or from the preferred folder when it
    // holds the default files, else from the copies built into the program) only
    // when this call creates it, so a default file the user removed later stays
    // removed.
    static ProgramFolder resolve(const QString& preferred, const QString& fallback);

    // Copies the pictures, the start page and the help page that `to` lacks
    // from the folder `from`.
    static void copyProgramAssets(const QString& from, const QString& to);

    // The files a first start needs: settings, accepted status codes, example lists.
    static QStringList defaultFileNames();

    const QString& path() const { return m_path; }
    // The folder, a path separator, then name, as the program has always built
    // its paths: an empty name gives the folder itself (which no file load opens).
    QString filePath(const QString& name) const;
    QString settingsFile() const { return filePath(QString::fromLatin1(SettingsFileName)); }
    QString statusCodesFile() const { return filePath(QString::fromLatin1(StatusCodesFileName)); }

private:
    QString m_path;
};
