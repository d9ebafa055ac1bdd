#include "partners/PartnerNotice.h"
#include "partners/PartnerNotifier.h"

#include <QDBusConnection>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

namespace {

// The desktop's notification service as the desktop offers it, recording
// what it was asked to show.
class FakeNotifications : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    QStringList shown;

public Q_SLOTS:
    uint Notify(const QString& app, uint replaces, const QString& icon, const QString& summary,
                const QString& body, const QStringList& actions, const QVariantMap& hints, int timeout)
    {
        Q_UNUSED(replaces);
        Q_UNUSED(icon);
        Q_UNUSED(actions);
        Q_UNUSED(timeout);
        shown << app << summary << body << hints.value(QStringLiteral("desktop-entry")).toString();
        return 7;
    }
};

QList<PartnerNoticeItem> items(const QString& text)
{
    // "host change; host change; ..."
    QList<PartnerNoticeItem> list;
    static const QHash<QString, LinkBackChange> kinds{
        {"kept", LinkBackChange::Kept},        {"lost", LinkBackChange::Lost},
        {"gone", LinkBackChange::PageGone},    {"nofollow", LinkBackChange::NowNofollow},
        {"hidden", LinkBackChange::NowHidden}, {"blocked", LinkBackChange::NowBlocked},
        {"new", LinkBackChange::New},          {"unchanged", LinkBackChange::Unchanged},
        {"moved", LinkBackChange::Moved},      {"unreachable", LinkBackChange::Unreachable},
        {"first", LinkBackChange::FirstCheck}};
    for (const QString& entry : text.split(u';', Qt::SkipEmptyParts)) {
        const QStringList parts = entry.trimmed().split(u' ');
        list.append({"http://" + parts.at(0) + "/links.html", kinds.value(parts.at(1))});
    }
    return list;
}

} // namespace

class NotifyTests : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void words_data();
    void words();
    void reachesTheDesktop();
    void noSessionBus();
};

void NotifyTests::words_data()
{
    QTest::addColumn<QString>("checks");
    QTest::addColumn<QString>("summary");
    QTest::addColumn<QString>("body");
    QTest::newRow("each host once, the first few")
        << "a.org lost; a.org lost; b.org gone; c.org lost; d.org lost; e.org nofollow; f.org kept; g.org "
           "unchanged; "
           "h.org new; i.org unreachable"
        << "5 links lost, 1 weakened"
        << "5 links lost: a.org, b.org, c.org, …\n1 link weakened: e.org";
    QTest::newRow("weakened only") << "x.org hidden; y.org blocked; z.org kept"
                                   << "2 links weakened"
                                   << "2 links weakened: x.org, y.org";
    QTest::newRow("nothing to act on")
        << "a.org kept; b.org unchanged; c.org new; d.org moved; e.org unreachable; "
           "f.org first"
        << ""
        << "";
}

void NotifyTests::words()
{
    QFETCH(QString, checks);
    QFETCH(QString, summary);
    QFETCH(QString, body);
    const PartnerNotice notice = PartnerNotice::fromChanges(items(checks));
    QCOMPARE(notice.isEmpty(), summary.isEmpty());
    if (!notice.isEmpty()) {
        QCOMPARE(notice.summary(), summary);
        QCOMPARE(notice.body(), body);
    }
}

void NotifyTests::reachesTheDesktop()
{
    const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
    if (daemon.isEmpty())
        QSKIP("dbus-daemon is not installed (package dbus-daemon)");
    QProcess bus;
    bus.start(daemon,
              {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address")});
    QVERIFY(bus.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(bus.canReadLine(), 20000);
    const QString address = QString::fromUtf8(bus.readLine()).trimmed();

    FakeNotifications desktop;
    {
        QDBusConnection service = QDBusConnection::connectToBus(address, QStringLiteral("desktop"));
        QVERIFY(service.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &desktop,
                                       QDBusConnection::ExportAllSlots));
        QVERIFY(service.registerService(QStringLiteral("org.freedesktop.Notifications")));
        PartnerNotifier notifier(QDBusConnection::connectToBus(address, QStringLiteral("program")));
        QSignalSpy finished(&notifier, &PartnerNotifier::finished);
        notifier.send(PartnerNotice::fromChanges(items("example.org lost; example.net nofollow")));
        QVERIFY(finished.wait(20000));
        QCOMPARE(finished.at(0).at(0).toBool(), true);
    }
    QDBusConnection::disconnectFromBus(QStringLiteral("desktop"));
    QDBusConnection::disconnectFromBus(QStringLiteral("program"));
    bus.kill();
    bus.waitForFinished();
    QCOMPARE(desktop.shown, QStringList({"Quillmark", "1 link lost, 1 weakened",
                                         "1 link lost: example.org\n1 link weakened: example.net",
                                         "org.quillmark.Quillmark"}));
}

void NotifyTests::noSessionBus()
{
    PartnerNotifier notifier(
        QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/bus"), QStringLiteral("nobus")));
    QSignalSpy finished(&notifier, &PartnerNotifier::finished);
    notifier.send(PartnerNotice::fromChanges(items("example.org lost")));
    QVERIFY(finished.wait(20000));
    QCOMPARE(finished.at(0).at(0).toBool(), false);
    QCOMPARE(finished.at(0).at(1).toString(),
             QStringLiteral("no desktop session bus: notification not sent"));
    QDBusConnection::disconnectFromBus(QStringLiteral("nobus"));
}

int runNotifyTests(int argc, char** argv)
{
    NotifyTests tests;
    return QTest::qExec(&tests, argc, argv);
}

#include "tst_Notify.moc"
