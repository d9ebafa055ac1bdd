#pragma once

#include "partners/PartnerSchedule.h"

#include <QObject>
#include <QProcess>
#include <QStringList>
#include <QTimer>
#include <optional>

// What became of telling the user manager about a schedule.
struct PartnerScheduleStatus
{
    enum class Outcome
    {
        Done,          // the manager runs the timer now (or has stopped it)
        NoUserManager, // nobody answered: the files alone decide, from the next login
        Failed,        // the manager answered with an error
    };
    Outcome outcome = Outcome::Done;
    QString message; // a sentence for the window's status line or standard error
};

// Tells the running systemd user manager about the files PartnerSchedule has
// just written or removed: `systemctl --user daemon-reload`, then `enable` and
// `restart` of the timer (restart, not start, so that a change from week to
// month takes effect now), or `stop` for Never. Each call runs as a child
// process with a short time limit, so a user manager that hangs, or a session
// without one, never holds up the caller; the answer comes as finished().
class UserTimerControl : public QObject
{
    Q_OBJECT

public:
    static constexpr int DefaultTimeoutMs = 5000;

    explicit UserTimerControl(QObject* parent = nullptr);
    ~UserTimerControl() override;

    void setTimeoutMs(int ms) { m_timeoutMs = ms; }
    // "systemctl" from PATH unless told otherwise.
    void setSystemctl(const QString& program) { m_systemctl = program; }

    // A request made while another is under way runs after it; only the last
    // one's finished() is sent.
    void start(PartnerCheckInterval interval, const QString& timerName);
    bool isRunning() const { return !m_steps.isEmpty(); }

Q_SIGNALS:
    void finished(const PartnerScheduleStatus& status);

private:
    struct Request
    {
        PartnerCheckInterval interval;
        QString timerName;
    };

    void begin(const Request& request);
    void runStep();
    // answered: systemctl ran to its end (with whatever status).
    void stepEnded(bool ok, bool answered, const QString& reason);
    void end(PartnerScheduleStatus::Outcome outcome, const QString& reason);
    QString commandText() const;

    QProcess m_process;
    QTimer m_deadline;
    QString m_systemctl = QStringLiteral("systemctl");
    int m_timeoutMs = DefaultTimeoutMs;
    Request m_request{PartnerCheckInterval::Never, QString()};
    std::optional<Request> m_waiting;
    QList<QStringList> m_steps;
    bool m_firstStep = true;
    bool m_timedOut = false;
};
