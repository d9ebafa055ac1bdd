#pragma once

#include <QDBusConnection>
#include <QObject>

class PartnerNotice;

// Shows a PartnerNotice on the desktop through the notification service of
// the session bus (org.freedesktop.Notifications, method Notify). The call
// never blocks: its answer, or the lack of one within a few seconds, comes as
// finished(). Without a session bus (a cron job, a console login) nothing is
// sent and finished() says so, for the caller to print on standard error.
class PartnerNotifier : public QObject
{
    Q_OBJECT

public:
    static constexpr int TimeoutMs = 3000;

    // Usually QDBusConnection::sessionBus().
    explicit PartnerNotifier(const QDBusConnection& bus, QObject* parent = nullptr);

    // Always answers with finished(), never before this call returns. An empty
    // notice is not sent (and answers sent == false with an empty message).
    void send(const PartnerNotice& notice);

Q_SIGNALS:
    void finished(bool sent, const QString& message);

private:
    void answerLater(bool sent, const QString& message);

    QDBusConnection m_bus;
};
