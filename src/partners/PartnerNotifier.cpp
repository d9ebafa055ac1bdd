#include "partners/PartnerNotifier.h"

#include "partners/PartnerNotice.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QMetaObject>
#include <QVariantMap>

PartnerNotifier::PartnerNotifier(const QDBusConnection& bus, QObject* parent) : QObject(parent), m_bus(bus) {}

void PartnerNotifier::answerLater(bool sent, const QString& message)
{
    QMetaObject::invokeMethod(
        this, [this, sent, message] { Q_EMIT finished(sent, message); }, Qt::QueuedConnection);
}

void PartnerNotifier::send(const PartnerNotice& notice)
{
    if (notice.isEmpty()) {
        answerLater(false, QString());
        return;
    }
    if (!m_bus.isConnected()) {
        answerLater(false, QStringLiteral("no desktop session bus: notification not sent"));
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    // The desktop entry lets the desktop show the program's name and icon and
    // keep its notifications together.
    const QVariantMap hints{{QStringLiteral("desktop-entry"), QStringLiteral("org.quillmark.Quillmark")}};
    call << QStringLiteral("Quillmark") << uint(0) << QStringLiteral("org.quillmark.Quillmark")
         << notice.summary() << notice.body() << QStringList() << hints << int(-1);
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, TimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        const QDBusPendingReply<uint> reply = *w;
        if (reply.isError())
            Q_EMIT finished(false,
                            QStringLiteral("desktop notification not sent: %1").arg(reply.error().message()));
        else
            Q_EMIT finished(true, QStringLiteral("desktop notification sent"));
    });
}
