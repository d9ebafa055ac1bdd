#include "partners/UserTimerControl.h"

namespace {

QString firstLine(const QByteArray& output)
{
    const QString text = QString::fromLocal8Bit(output).trimmed();
    return text.section(u'\n', 0, 0).trimmed();
}

QString doneMessage(PartnerCheckInterval interval)
{
    switch (interval) {
    case PartnerCheckInterval::Week:
        return QStringLiteral("Partners are checked every week.");
    case PartnerCheckInterval::Month:
        return QStringLiteral("Partners are checked every month.");
    case PartnerCheckInterval::Never:
        break;
    }
    return QStringLiteral("Partners are no longer checked on a schedule.");
}

} // namespace

UserTimerControl::UserTimerControl(QObject* parent) : QObject(parent)
{
    m_deadline.setSingleShot(true);
    // A child that overstays is killed, and its end awaited (which comes at
    // once), so that the next one never starts while it is still there.
    connect(&m_deadline, &QTimer::timeout, this, [this] {
        m_timedOut = true;
        m_process.kill();
    });
    connect(&m_process, &QProcess::finished, this, [this](int exitCode, QProcess::ExitStatus status) {
        m_deadline.stop();
        if (m_timedOut) {
            m_timedOut = false;
            stepEnded(false, false,
                      QStringLiteral("%1 did not answer within %2 seconds")
                          .arg(commandText())
                          .arg(double(m_timeoutMs) / 1000.0));
            return;
        }
        const bool ok = status == QProcess::NormalExit && exitCode == 0;
        const QString said = firstLine(m_process.readAllStandardError());
        stepEnded(ok, true,
                  said.isEmpty() ? QStringLiteral("%1 ended with status %2").arg(commandText()).arg(exitCode)
                                 : said);
    });
    connect(&m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return;
        m_deadline.stop();
        stepEnded(false, false, QStringLiteral("%1 cannot be started").arg(m_systemctl));
    });
}

UserTimerControl::~UserTimerControl()
{
    // Never leave a child behind; a killed one ends at once.
    m_process.disconnect(this);
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(1000);
    }
}

void UserTimerControl::start(PartnerCheckInterval interval, const QString& timerName)
{
    const Request request{interval, timerName};
    if (isRunning())
        m_waiting = request;
    else
        begin(request);
}

void UserTimerControl::begin(const Request& request)
{
    m_request = request;
    m_firstStep = true;
    // The manager reads the changed files first; a timer that is already
    // gone from disk is still loaded while it runs, so stop reaches it.
    m_steps = {{QStringLiteral("daemon-reload")}};
    if (request.interval == PartnerCheckInterval::Never) {
        m_steps.append({QStringLiteral("stop"), request.timerName});
    } else {
        m_steps.append({QStringLiteral("enable"), request.timerName});
        m_steps.append({QStringLiteral("restart"), request.timerName});
    }
    runStep();
}

QString UserTimerControl::commandText() const
{
    return QStringLiteral("systemctl --user ") + m_steps.value(0).join(u' ');
}

void UserTimerControl::runStep()
{
    m_deadline.start(m_timeoutMs);
    m_process.start(m_systemctl, QStringList{QStringLiteral("--user"), QStringLiteral("--no-ask-password")} +
                                     m_steps.constFirst());
}

void UserTimerControl::stepEnded(bool ok, bool answered, const QString& reason)
{
    const bool first = m_firstStep;
    m_firstStep = false;
    const bool stopping = m_steps.constFirst().constFirst() == QLatin1String("stop");
    m_steps.removeFirst();
    if (!ok && first) {
        end(PartnerScheduleStatus::Outcome::NoUserManager, reason);
        return;
    }
    // A stop fails when the timer was never loaded, which is what it was for;
    // one that got no answer may have left it running.
    if (!ok && !(stopping && answered)) {
        end(PartnerScheduleStatus::Outcome::Failed, reason);
        return;
    }
    if (m_steps.isEmpty())
        end(PartnerScheduleStatus::Outcome::Done, QString());
    else
        runStep();
}

void UserTimerControl::end(PartnerScheduleStatus::Outcome outcome, const QString& reason)
{
    m_steps.clear();
    if (m_waiting) {
        const Request next = *m_waiting;
        m_waiting.reset();
        begin(next);
        return;
    }
    PartnerScheduleStatus status;
    status.outcome = outcome;
    const bool never = m_request.interval == PartnerCheckInterval::Never;
    switch (outcome) {
    case PartnerScheduleStatus::Outcome::Done:
        status.message = doneMessage(m_request.interval);
        break;
    case PartnerScheduleStatus::Outcome::NoUserManager:
        status.message =
            QStringLiteral("No systemd user manager is reachable (%1): %2")
                .arg(reason, never ? QStringLiteral("the timer files are removed.")
                                   : QStringLiteral("the timer is written and starts at your next login."));
        break;
    case PartnerScheduleStatus::Outcome::Failed:
        status.message = QStringLiteral("The user manager did not take the timer: %1").arg(reason);
        break;
    }
    Q_EMIT finished(status);
}
