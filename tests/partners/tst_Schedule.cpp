#include "TestFiles.h"
#include "partners/PartnerSchedule.h"
#include "partners/UserTimerControl.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <optional>

namespace {

void restoreEnv(const char* name, const std::optional<QByteArray>& saved)
{
    if (saved)
        qputenv(name, *saved);
    else
        qunsetenv(name);
}

std::optional<QByteArray> savedEnv(const char* name)
{
    return qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt;
}

} // namespace

class ScheduleTests : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void unitsPassSystemdVerify();
    void neverRemovesTheUnits();
    void sameFolderSameUnits();
    void configHome_data();
    void configHome();
    void noUserManager();
};

// A program folder and an executable whose paths hold what systemd would
// otherwise read as a word break, a specifier, a variable, a quote or an escape.
void ScheduleTests::unitsPassSystemdVerify()
{
    const QString analyze = QStandardPaths::findExecutable(QStringLiteral("systemd-analyze"));
    if (analyze.isEmpty())
        QSKIP("systemd-analyze is not installed (package systemd)");
    QTemporaryDir tmp;
    const QString root = tmp.path();
    const QString binDir = root + QStringLiteral("/my apps/100% sure");
    const QString folder = root + QStringLiteral("/links $HOME \"best\" back\\slash %d");
    QVERIFY(QDir().mkpath(binDir));
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(QFile::link(QStandardPaths::findExecutable(QStringLiteral("true")), binDir + "/quillmark-batch"));

    PartnerSchedule schedule(folder, binDir + "/quillmark-batch", root + "/units");
    const SaveOutcome written = schedule.apply(PartnerCheckInterval::Month);
    QVERIFY2(written.ok, qPrintable(written.message()));

    const QByteArray service = readBytes(schedule.servicePath());
    const QByteArray execStart = "ExecStart=\"" + root.toUtf8() +
                                 "/my apps/100%% sure/quillmark-batch\" "
                                 "--check-partners --notify --folder \"" +
                                 root.toUtf8() + "/links $$HOME \\\"best\\\" back\\\\slash %%d\"\n";
    QVERIFY2(service.contains(execStart), service.constData());
    QVERIFY(readBytes(schedule.timerPath()).contains("OnCalendar=monthly\nPersistent=true\n"));
    QCOMPARE(schedule.installed(), PartnerCheckInterval::Month);

    QProcess verify;
    verify.start(analyze, {QStringLiteral("verify"), schedule.timerPath(), schedule.servicePath()});
    QVERIFY(verify.waitForFinished(60000));
    const QByteArray said = verify.readAllStandardError() + verify.readAllStandardOutput();
    QVERIFY2(verify.exitCode() == 0, said.constData());
    QVERIFY2(!said.contains(root.toUtf8()), said.constData());
}

void ScheduleTests::neverRemovesTheUnits()
{
    QTemporaryDir tmp;
    PartnerSchedule schedule(tmp.filePath("folder"), tmp.filePath("bin/quillmark-batch"),
                             tmp.filePath("units"));
    QVERIFY(schedule.apply(PartnerCheckInterval::Week).ok);
    QCOMPARE(schedule.installed(), PartnerCheckInterval::Week);
    QCOMPARE(QFileInfo(tmp.filePath("units/timers.target.wants/" + schedule.timerName())).symLinkTarget(),
             schedule.timerPath());
    QVERIFY(!schedule.outdated());

    QVERIFY(schedule.apply(PartnerCheckInterval::Never).ok);
    QCOMPARE(schedule.installed(), PartnerCheckInterval::Never);
    // The link too: a dangling one makes systemd complain at every login.
    QCOMPARE(QDir(tmp.filePath("units")).entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot),
             QStringList());
    QCOMPARE(QDir(tmp.filePath("units/timers.target.wants")).entryList(QDir::System | QDir::NoDotAndDotDot),
             QStringList());
}

void ScheduleTests::sameFolderSameUnits()
{
    const auto name = [](const QString& folder) {
        return PartnerSchedule(folder, QStringLiteral("/usr/bin/quillmark-batch"), QStringLiteral("/tmp/u"))
            .unitName();
    };
    QVERIFY(QRegularExpression(QStringLiteral("^quillmark-partners-[0-9a-f]{8}$"))
                .match(name("/srv/a"))
                .hasMatch());
    QCOMPARE(name(QStringLiteral("/srv/a/")), name(QStringLiteral("/srv/b/../a")));
    QVERIFY(name(QStringLiteral("/srv/a")) != name(QStringLiteral("/srv/b")));
}

void ScheduleTests::configHome_data()
{
    QTest::addColumn<QByteArray>("xdgConfigHome");
    QTest::addColumn<QString>("folder");
    QTest::newRow("set") << QByteArray("/srv/conf") << QStringLiteral("/srv/conf/systemd/user");
    QTest::newRow("relative, ignored") << QByteArray("conf") << QDir::homePath() + "/.config/systemd/user";
    QTest::newRow("unset") << QByteArray() << QDir::homePath() + "/.config/systemd/user";
}

void ScheduleTests::configHome()
{
    QFETCH(QByteArray, xdgConfigHome);
    QFETCH(QString, folder);
    const auto saved = savedEnv("XDG_CONFIG_HOME");
    if (xdgConfigHome.isNull())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", xdgConfigHome);
    const QString got = PartnerSchedule::defaultUnitFolder();
    restoreEnv("XDG_CONFIG_HOME", saved);
    QCOMPARE(got, folder);
}

// A session without a user manager (a console login, a container) answers
// at once with a message, and the files stay for the next login.
void ScheduleTests::noUserManager()
{
    QTemporaryDir runtime;
    const auto savedRuntime = savedEnv("XDG_RUNTIME_DIR");
    const auto savedBus = savedEnv("DBUS_SESSION_BUS_ADDRESS");
    qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    UserTimerControl control;
    QSignalSpy finished(&control, &UserTimerControl::finished);
    control.start(PartnerCheckInterval::Week, QStringLiteral("quillmark-partners-00000000.timer"));
    restoreEnv("XDG_RUNTIME_DIR", savedRuntime);
    restoreEnv("DBUS_SESSION_BUS_ADDRESS", savedBus);
    QVERIFY(finished.wait(20000));
    const auto status = finished.at(0).at(0).value<PartnerScheduleStatus>();
    QCOMPARE(status.outcome, PartnerScheduleStatus::Outcome::NoUserManager);
    QVERIFY2(status.message.startsWith(QLatin1String("No systemd user manager is reachable (")),
             qPrintable(status.message));
    QVERIFY2(status.message.endsWith(QLatin1String("): the timer is written and starts at your next login.")),
             qPrintable(status.message));
}

int runScheduleTests(int argc, char** argv)
{
    ScheduleTests tests;
    return QTest::qExec(&tests, argc, argv);
}

#include "tst_Schedule.moc"
