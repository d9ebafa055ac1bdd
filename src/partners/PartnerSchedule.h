#pragma once

#include "platform/SaveOutcome.h"

#include <QString>

// "Check every:" week, month or never.
enum class PartnerCheckInterval
{
    Never,
    Week,
    Month,
};

// The systemd user timer that checks the partners of one program folder while
// the window is closed: a service that runs
//   quillmark-batch --check-partners --notify --folder <program folder>
// and a timer (OnCalendar=weekly or monthly, Persistent=true, so a check missed
// while the computer was off runs at the next start). Their names carry a short
// hash of the folder, so two program folders keep timers of their own.
//
// Everything here is file work and quick: the files, and the link in
// timers.target.wants/ that `systemctl --user enable` would make, so the timer
// runs from the next login even when no user manager can be told now. Telling
// the running manager is UserTimerControl's business, off the window's thread.
class PartnerSchedule
{
public:
    // programFolder: the folder passed as --folder; batchProgram: the
    // quillmark-batch executable. Both are made absolute.
    PartnerSchedule(const QString& programFolder, const QString& batchProgram,
                    const QString& unitFolder = defaultUnitFolder());

    // $XDG_CONFIG_HOME/systemd/user when that variable holds an absolute path,
    // else ~/.config/systemd/user.
    static QString defaultUnitFolder();

    // "quillmark-partners-" and the first 8 hex digits of the SHA-256 of the
    // program folder's absolute path.
    QString unitName() const;
    QString timerName() const { return unitName() + QLatin1String(".timer"); }
    QString serviceName() const { return unitName() + QLatin1String(".service"); }
    QString timerPath() const;
    QString servicePath() const;
    QString wantsLinkPath() const;

    QString serviceText() const;
    QString timerText(PartnerCheckInterval interval) const;

    // Writes the two files and the enable link, or removes all three for Never.
    SaveOutcome apply(PartnerCheckInterval interval) const;
    // The choice the files on disk say: no timer file is Never.
    PartnerCheckInterval installed() const;
    // The files are there but differ from what apply() writes today, for
    // instance because the program was moved: apply again to bring them along.
    bool outdated() const;

private:
    SaveOutcome remove() const;

    QString m_programFolder;
    QString m_batchProgram;
    QString m_unitFolder;
};
