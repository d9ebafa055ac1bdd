#include "partners/PartnerSchedule.h"

#include "partners/SystemdQuoting.h"
#include "platform/AtomicFile.h"
#include "platform/TextFile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

QString absolute(const QString& path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

QString onCalendar(PartnerCheckInterval interval)
{
    return interval == PartnerCheckInterval::Month ? QStringLiteral("monthly") : QStringLiteral("weekly");
}

SaveOutcome removeFile(const QString& path)
{
    // A dangling link is not "existing" to QFileInfo::exists, so ask about the link too.
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return SaveOutcome::success(path);
    if (QFile::remove(path))
        return SaveOutcome::success(path);
    return SaveOutcome::failure(path, QStringLiteral("the file cannot be removed"));
}

// The lines both units begin with: who wrote them and for which folder.
QString unitHead(const QString& programFolder)
{
    return QLatin1String("# Written by Quillmark for \"Check every:\"; choosing \"never\" removes it.\n"
                         "[Unit]\n"
                         "Description=Quillmark: check the link partners of ") +
           SystemdQuoting::plainValue(programFolder) + QLatin1String("\n\n");
}

} // namespace

PartnerSchedule::PartnerSchedule(const QString& programFolder, const QString& batchProgram,
                                 const QString& unitFolder)
    : m_programFolder(absolute(programFolder)), m_batchProgram(absolute(batchProgram)),
      m_unitFolder(absolute(unitFolder))
{}

QString PartnerSchedule::defaultUnitFolder()
{
    // A relative value is to be ignored, as the XDG base directory rules say.
    const QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    const QString base = QDir::isAbsolutePath(config) ? config : QDir::homePath() + QLatin1String("/.config");
    return base + QLatin1String("/systemd/user");
}

QString PartnerSchedule::unitName() const
{
    const QByteArray hash = QCryptographicHash::hash(m_programFolder.toUtf8(), QCryptographicHash::Sha256);
    return QLatin1String("quillmark-partners-") + QString::fromLatin1(hash.toHex().left(8));
}

QString PartnerSchedule::timerPath() const
{
    return m_unitFolder + u'/' + timerName();
}

QString PartnerSchedule::servicePath() const
{
    return m_unitFolder + u'/' + serviceName();
}

QString PartnerSchedule::wantsLinkPath() const
{
    return m_unitFolder + QLatin1String("/timers.target.wants/") + timerName();
}

QString PartnerSchedule::serviceText() const
{
    const QStringList command{SystemdQuoting::commandWord(m_batchProgram), QStringLiteral("--check-partners"),
                              QStringLiteral("--notify"), QStringLiteral("--folder"),
                              SystemdQuoting::commandWord(m_programFolder)};
    return unitHead(m_programFolder) +
           QLatin1String("[Service]\n"
                         "Type=oneshot\n"
                         "ExecStart=") +
           command.join(u' ') + u'\n';
}

QString PartnerSchedule::timerText(PartnerCheckInterval interval) const
{
    return unitHead(m_programFolder) +
           QLatin1String("[Timer]\n"
                         "OnCalendar=") +
           onCalendar(interval) +
           QLatin1String("\n"
                         "Persistent=true\n"
                         "Unit=") +
           serviceName() +
           QLatin1String("\n"
                         "\n"
                         "[Install]\n"
                         "WantedBy=timers.target\n");
}

SaveOutcome PartnerSchedule::apply(PartnerCheckInterval interval) const
{
    if (interval == PartnerCheckInterval::Never)
        return remove();
    const QString wantsFolder = QFileInfo(wantsLinkPath()).path();
    if (!QDir().mkpath(wantsFolder))
        return SaveOutcome::failure(wantsFolder, QStringLiteral("the folder cannot be created"));
    // The service first: a timer that names a missing service is an error to systemd.
    SaveOutcome saved = AtomicFile::write(servicePath(), serviceText().toUtf8());
    if (saved.ok)
        saved = AtomicFile::write(timerPath(), timerText(interval).toUtf8());
    if (!saved.ok)
        return saved;
    const QString link = wantsLinkPath();
    if (QFileInfo(link).symLinkTarget() == timerPath())
        return SaveOutcome::success(timerPath());
    removeFile(link);
    if (!QFile::link(timerPath(), link))
        return SaveOutcome::failure(link, QStringLiteral("the link that enables the timer cannot be made"));
    return SaveOutcome::success(timerPath());
}

SaveOutcome PartnerSchedule::remove() const
{
    // The link first, so a failure half way never leaves an enabled timer without its files.
    for (const QString& path : {wantsLinkPath(), timerPath(), servicePath()}) {
        const SaveOutcome removed = removeFile(path);
        if (!removed.ok)
            return removed;
    }
    return SaveOutcome::success(timerPath());
}

PartnerCheckInterval PartnerSchedule::installed() const
{
    const std::optional<QStringList> lines = TextFile::readLines(timerPath());
    if (!lines)
        return PartnerCheckInterval::Never;
    for (const QString& line : *lines) {
        const QString setting = line.simplified().remove(u' ');
        if (setting.compare(QLatin1String("OnCalendar=monthly"), Qt::CaseInsensitive) == 0)
            return PartnerCheckInterval::Month;
        if (setting.compare(QLatin1String("OnCalendar=weekly"), Qt::CaseInsensitive) == 0)
            return PartnerCheckInterval::Week;
    }
    // A calendar this program never writes: not one of its choices.
    return PartnerCheckInterval::Never;
}

bool PartnerSchedule::outdated() const
{
    const PartnerCheckInterval interval = installed();
    if (interval == PartnerCheckInterval::Never)
        return false;
    return TextFile::read(servicePath()) != serviceText() ||
           TextFile::read(timerPath()) != timerText(interval) ||
           QFileInfo(wantsLinkPath()).symLinkTarget() != timerPath();
}
