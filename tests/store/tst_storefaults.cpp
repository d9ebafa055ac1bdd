#include "StoreTestRecords.h"
#include "TestFiles.h"
#include "store/RunStore.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <sqlite3.h>
#include <unistd.h>

namespace {

// A connection of the test's own, as another program would hold one.
struct OtherProgram
{
    explicit OtherProgram(const QString& path)
    {
        sqlite3_open(QFile::encodeName(path).constData(), &db);
        sqlite3_busy_timeout(db, 5000);
    }
    ~OtherProgram() { close(); }
    void close()
    {
        sqlite3_close(db);
        db = nullptr;
    }
    int exec(const char* sql) { return sqlite3_exec(db, sql, nullptr, nullptr, nullptr); }
    sqlite3* db = nullptr;
};

} // namespace

class TestStoreFaults : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();

    void brokenStoreIsMovedAside_data();
    void brokenStoreIsMovedAside();
    void newerStoreIsLeftAlone();
    void lockedStoreIsLeftAlone_data();
    void lockedStoreIsLeftAlone();
    void unwritablePlace_data();
    void unwritablePlace();
    void failedWriteStopsTheJournalOnce();

private:
    QString storePath() const { return m_dir->filePath(QStringLiteral("runs.sqlite")); }
    QString shownPath() const { return QDir::toNativeSeparators(storePath()); }
    void makeStore(int runs);
    QStringList brokenFiles() const
    {
        return QDir(m_dir->path())
            .entryList({QStringLiteral("runs.sqlite.broken-*")}, QDir::Files, QDir::Name);
    }

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestStoreFaults::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestStoreFaults::makeStore(int runs)
{
    RunStore store(storePath());
    QVERIFY(store.isAvailable());
    for (int n = 0; n < runs; ++n) {
        auto journal = store.beginRun(RunRecord(), {sampleRecord(1).url});
        for (int i = 1; i <= 200; ++i)
            journal->record(sampleRecord(i));
        journal->finish(RunRecord::Ending::Done);
    }
}

void TestStoreFaults::brokenStoreIsMovedAside_data()
{
    QTest::addColumn<QString>("damage");
    QTest::newRow("not SQLite") << "text";
    QTest::newRow("damaged pages") << "pages";
    QTest::newRow("someone else's database") << "foreign";
}

void TestStoreFaults::brokenStoreIsMovedAside()
{
    QFETCH(QString, damage);
    if (damage == QLatin1String("text")) {
        writeBytes(storePath(), "https://site1.example/\r\nhttps://site2.example/\r\n");
    } else if (damage == QLatin1String("foreign")) {
        OtherProgram other(storePath());
        QCOMPARE(other.exec("CREATE TABLE contacts(name TEXT); INSERT INTO contacts VALUES('Ann')"),
                 SQLITE_OK);
    } else {
        makeStore(3);
        // Every page after the first (the tables' roots and their contents)
        // overwritten: the header still says SQLite.
        QByteArray bytes = readBytes(storePath());
        QVERIFY(bytes.size() > 3 * 4096);
        for (qsizetype i = 4096; i < bytes.size(); ++i)
            bytes[i] = char(0x5a ^ (i & 0xff));
        writeBytes(storePath(), bytes);
    }
    const QByteArray before = readBytes(storePath());

    RunStore store(storePath());
    const QStringList aside = brokenFiles();
    QCOMPARE(aside.size(), 1);
    QVERIFY2(QRegularExpression(QStringLiteral("^runs\\.sqlite\\.broken-\\d{4}-\\d\\d-\\d\\dT\\d{6}$"))
                 .match(aside[0])
                 .hasMatch(),
             qPrintable(aside[0]));
    QCOMPARE(store.message(), QStringLiteral("The run journal %1 was damaged. It was moved aside as %2 and a "
                                             "new one was started.")
                                  .arg(shownPath(), aside[0]));
    QCOMPARE(readBytes(m_dir->filePath(aside[0])), before);
    // The new store works.
    QVERIFY(store.isAvailable());
    auto journal = store.beginRun(RunRecord(), {sampleRecord(1).url});
    journal->record(sampleRecord(1));
    journal->finish(RunRecord::Ending::Done);
    journal.reset();
    QCOMPARE(store.queries().runs().size(), 1);
    QCOMPARE(RunStore(storePath()).message(), QString());
}

void TestStoreFaults::newerStoreIsLeftAlone()
{
    makeStore(1);
    {
        OtherProgram newer(storePath());
        QCOMPARE(newer.exec("PRAGMA user_version=3"), SQLITE_OK);
    }
    const QByteArray before = readBytes(storePath());
    RunStore store(storePath());
    QVERIFY(!store.isAvailable());
    QCOMPARE(store.message(),
             QStringLiteral("The run journal %1 was written by a newer version of Quillmark. "
                            "Runs are not journaled.")
                 .arg(shownPath()));
    QCOMPARE(store.beginRun(RunRecord(), {}), nullptr);
    QCOMPARE(store.queries().runs().size(), 0);
    QCOMPARE(readBytes(storePath()), before);
    QCOMPARE(brokenFiles(), QStringList());
}

void TestStoreFaults::lockedStoreIsLeftAlone_data()
{
    QTest::addColumn<QByteArray>("lock");
    // A writer that never commits.
    QTest::newRow("write transaction")
        << QByteArray("BEGIN IMMEDIATE; INSERT INTO runs(started_at, list_size) "
                      "VALUES(1, 1)");
    // A program that keeps the file to itself: no one may even read.
    QTest::newRow("exclusive") << QByteArray("PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE; "
                                             "SELECT count(*) FROM runs");
}

void TestStoreFaults::lockedStoreIsLeftAlone()
{
    QFETCH(QByteArray, lock);
    makeStore(1);
    OtherProgram other(storePath());
    QCOMPARE(other.exec(lock.constData()), SQLITE_OK);

    RunStore::Options options;
    options.busyTimeoutMs = 200;
    RunStore store(storePath(), options);
    QVERIFY(!store.isAvailable());
    QCOMPARE(store.message(), QStringLiteral("The run journal %1 is locked by another program. "
                                             "Runs are not journaled.")
                                  .arg(shownPath()));
    QCOMPARE(brokenFiles(), QStringList());
    // An exclusive connection keeps its lock until it closes.
    other.close();
    QCOMPARE(RunStore(storePath()).message(), QString());
}

void TestStoreFaults::unwritablePlace_data()
{
    QTest::addColumn<QString>("place");
    QTest::newRow("folder is a file") << "file";
    QTest::newRow("read-only folder") << "mode";
}

void TestStoreFaults::unwritablePlace()
{
    QFETCH(QString, place);
    QString path;
    if (place == QLatin1String("file")) {
        writeBytes(m_dir->filePath(QStringLiteral("program")), "not a folder");
        path = m_dir->filePath(QStringLiteral("program/runs.sqlite"));
    } else {
        const QString folder = m_dir->filePath(QStringLiteral("program"));
        QVERIFY(QDir().mkdir(folder));
        QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
        if (::access(QFile::encodeName(folder).constData(), W_OK) == 0)
            QSKIP("This user can write any folder (root)");
        path = folder + QLatin1String("/runs.sqlite");
    }
    RunStore store(path);
    QVERIFY(!store.isAvailable());
    QCOMPARE(store.message(),
             QStringLiteral("The run journal %1 cannot be written (read-only folder or file). "
                            "Runs are not journaled.")
                 .arg(QDir::toNativeSeparators(path)));
}

void TestStoreFaults::failedWriteStopsTheJournalOnce()
{
    RunStore store(storePath());
    QVERIFY(store.isAvailable());
    auto journal = store.beginRun(RunRecord(), {sampleRecord(1).url});
    QStringList messages;
    connect(journal.get(), &RunJournal::failed, this, [&](const QString& m) { messages.append(m); });
    for (int i = 1; i <= 10; ++i)
        journal->record(sampleRecord(i));
    QTRY_COMPARE(journal->committed(), 10);
    {
        // No file may grow past what it holds now, plus a little. The system
        // refuses such a write as too large, not as a full disk, so the
        // journal reports an input/output error; on a full disk it says so.
        const qint64 wal = QFileInfo(storePath() + QLatin1String("-wal")).size();
        const qint64 db = QFileInfo(storePath()).size();
        FileSizeLimit full(rlim_t(std::max(wal, db) + 64 * 1024));
        // One record at a time, each committed before the next, until one
        // cannot be.
        int i = 11;
        while (!journal->hasFailed() && i < 20000) {
            UrlRecord r = sampleRecord(i++);
            r.row.description = r.row.description.repeated(40);
            journal->record(r);
            QTRY_VERIFY(journal->hasFailed() || journal->committed() == i - 1);
        }
        QVERIFY(journal->hasFailed());
        for (int more = 0; more < 100; ++more)
            journal->record(sampleRecord(i++));
        journal->finish(RunRecord::Ending::Done);
        journal.reset();
    }
    QCoreApplication::processEvents();
    QCOMPARE(messages,
             QStringList{QStringLiteral("The run journal %1 cannot be written (input/output error). "
                                        "This run goes on without it.")
                             .arg(shownPath())});
    RunStore after(storePath());
    QCOMPARE(after.message(), QString());
    const RunRecord run = after.queries().runs().value(0);
    QVERIFY(run.processed >= 10);
    QCOMPARE(run.ending, RunRecord::Ending::Interrupted);
    QCOMPARE(after.queries().resumePosition(run.id), run.processed + 1);
}

QTEST_GUILESS_MAIN(TestStoreFaults)
#include "tst_storefaults.moc"
