// The window's start-up over a program folder whose every file is damaged:
// it starts, loads what it can, shows no message, and the browser still
// reaches its start page.
#include "BadFile.h"
#include "settings/ProgramFolder.h"
#include "settings/Settings.h"
#include "settings/SettingsFile.h"
#include "workspace/Workspace.h"
#include "shell/browser/BrowserPane.h"
#include "shell/browser/WebEngineSetup.h"
#include "shell/ui/MainWindow.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QWebEngineProfile>
#include <QtTest>

Q_DECLARE_METATYPE(BadFile::Kind)

namespace {

QString sourcePath(const QString& relative)
{
    return qEnvironmentVariable("QM_TEST_SOURCE_DIR") + QLatin1Char('/') + relative;
}

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList g_messages;

void collectMessage(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    // The web engine's own chatter (its console, its GPU probing) is not the program speaking.
    const QByteArray category(context.category ? context.category : "");
    if (category.startsWith("js") || category.startsWith("qt.webengine") || type == QtDebugMsg)
        return;
    g_messages.append(text);
}

} // namespace

class TestBadStart : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void startsOnDamagedFolder_data();
    void startsOnDamagedFolder();

private:
    std::unique_ptr<QWebEngineProfile> m_profile;
};

void TestBadStart::initTestCase()
{
    m_profile = BrowserPane::createProfile();
}

void TestBadStart::cleanupTestCase()
{
    m_profile.reset();
}

void TestBadStart::startsOnDamagedFolder_data()
{
    QTest::addColumn<BadFile::Kind>("kind");
    QTest::newRow("binary") << BadFile::Binary;
    QTest::newRow("truncated character") << BadFile::TruncatedChar;
    QTest::newRow("UTF-16 LE") << BadFile::Utf16Le;
    QTest::newRow("CR only") << BadFile::CrOnly;
    QTest::newRow("200 MB") << BadFile::Huge;
    QTest::newRow("folder") << BadFile::Folder;
}

void TestBadStart::startsOnDamagedFolder()
{
    QFETCH(BadFile::Kind, kind);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const ProgramFolder folder(dir.path());
    QDir().mkpath(folder.filePath(QStringLiteral("images")));
    const QDir images(sourcePath(QStringLiteral("images")));
    for (const QString& name : images.entryList(QDir::Files))
        QVERIFY(QFile::copy(images.filePath(name), folder.filePath(QStringLiteral("images/") + name)));
    QVERIFY(QFile::copy(sourcePath(QStringLiteral("data/start.html")),
                        folder.filePath(QStringLiteral("start.html"))));
    for (const char* name : {"links.ini", "badwords.txt", "baddomains.txt", "headers.txt"}) {
        const QString file = QString::fromLatin1(name);
        QVERIFY(BadFile::write(folder.filePath(file), fileBytes(sourcePath(QStringLiteral("data/") + file)),
                               kind));
    }

    g_messages.clear();
    const QtMessageHandler previous = qInstallMessageHandler(&collectMessage);
    {
        Workspace workspace(folder);
        MainWindow window(workspace, *m_profile);
        QSignalSpy complete(&window.browser(), &BrowserPane::documentComplete);
        window.show();
        QVERIFY(window.hasStarted());
        QVERIFY(complete.wait(30000));

        for (QWidget* w : QApplication::topLevelWidgets())
            QVERIFY2(!(w->isVisible() && qobject_cast<QDialog*>(w)), qPrintable(w->windowTitle()));
        const bool readable = kind != BadFile::Binary && kind != BadFile::Folder;
        // The shipped settings and lists, as far as the file let them be read.
        QCOMPARE(workspace.settings().text(Key::BadWordsFile),
                 readable ? QStringLiteral("badwords.txt") : QString());
        if (readable) {
            QVERIFY(workspace.badWords().entries().contains(QStringLiteral("casino")));
            QVERIFY(workspace.validStatus().entries().contains(QStringLiteral("200 OK")));
        } else {
            QCOMPARE(workspace.badWords().count(), 0);
        }
        for (const SortedListModel* list :
             {&workspace.badWords(), &workspace.badUrls(), &workspace.validStatus()})
            for (const QString& entry : list->entries())
                QVERIFY(!entry.isEmpty() && !entry.contains(QChar(0)));
        QVERIFY(window.browser().locationUrl().endsWith(QLatin1String("start.html")));
    }
    qInstallMessageHandler(previous);
    QCOMPARE(g_messages, QStringList());
}

int main(int argc, char* argv[])
{
    WebEngineSetup::beforeApplication();
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true); // the browser's profile in Qt's test folders
    TestBadStart test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_badstart.moc"
