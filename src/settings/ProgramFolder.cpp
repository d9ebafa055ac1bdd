#include "settings/ProgramFolder.h"

#include "settings/SettingsDefaults.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace {

// Asking the file system for permission bits is not enough (an administrator
// passes every check, read-only mounts do not show in the bits): only a real
// file proves the folder can be written.
bool canWriteIn(const QString& folder)
{
    if (!QFileInfo(folder).isDir())
        return false;
    QTemporaryFile probe(folder + QStringLiteral("/.quillmark-probe-XXXXXX"));
    return probe.open();
}

void seed(const QString& from, const QString& to)
{
    for (const QString& name : ProgramFolder::defaultFileNames()) {
        const QString source = from + u'/' + name;
        const QString target = to + u'/' + name;
        if (QFileInfo::exists(target))
            continue;
        QFile::copy(QFileInfo(source).isFile() ? source : QStringLiteral(":/defaults/") + name, target);
        // Copies out of the resources are read-only; the user edits and saves these.
        QFile::setPermissions(target, QFile::permissions(target) | QFile::WriteOwner | QFile::ReadOwner);
    }
}

// share/quillmark beside the executable's folder, where an installed copy keeps
// its default files and pictures; the empty text for any other copy.
QString installedFilesFolder(const QString& executableFolder)
{
    const QString shared = QDir::cleanPath(executableFolder + QStringLiteral("/../share/quillmark"));
    return QFileInfo(shared).isDir() ? shared : QString();
}

} // namespace

// The pictures, the start page and the help page belong to the program, not to
// the user: an installed copy brings the missing ones into the data folder on
// every start.
void ProgramFolder::copyProgramAssets(const QString& from, const QString& to)
{
    for (const QString page : {QStringLiteral("start.html"), QStringLiteral("help.html")}) {
        if (!QFileInfo::exists(to + u'/' + page))
            QFile::copy(from + u'/' + page, to + u'/' + page);
    }
    const QDir images(from + QStringLiteral("/images"));
    if (!images.exists())
        return;
    QDir().mkpath(to + QStringLiteral("/images"));
    for (const QString& name : images.entryList(QDir::Files)) {
        const QString target = to + QStringLiteral("/images/") + name;
        if (!QFileInfo::exists(target))
            QFile::copy(images.filePath(name), target);
    }
}

ProgramFolder::ProgramFolder(const QString& path) : m_path(path) {}

QStringList ProgramFolder::defaultFileNames()
{
    return {QString::fromLatin1(SettingsFileName), QString::fromLatin1(StatusCodesFileName),
            QString::fromLatin1(Defaults::BadWordsFile), QString::fromLatin1(Defaults::BadDomainsFile)};
}

ProgramFolder ProgramFolder::forApplication()
{
    return resolve(QCoreApplication::applicationDirPath(),
                   QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
}

ProgramFolder ProgramFolder::resolve(const QString& preferred, const QString& fallback)
{
    // An installed copy's bin folder can well be writable (an install into the
    // user's own prefix, or run as root), but it is no place for one user's
    // settings and results, and it does not hold the default files: those lie
    // under share/quillmark, where the user's data folder is seeded from.
    const QString installed = installedFilesFolder(preferred);
    const QString source = installed.isEmpty() ? preferred : installed;
    if (installed.isEmpty() && canWriteIn(preferred))
        return ProgramFolder(preferred);
    if (fallback.isEmpty())
        return ProgramFolder(source);
    if (!QFileInfo(fallback).isDir()) {
        if (!QDir().mkpath(fallback))
            return ProgramFolder(source);
        seed(source, fallback);
    }
    copyProgramAssets(source, fallback);
    return ProgramFolder(fallback);
}

QString ProgramFolder::filePath(const QString& name) const
{
    return m_path + u'/' + name;
}
