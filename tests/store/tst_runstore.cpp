#include "StoreTestRecords.h"
#include "store/RunStore.h"

#include <QTemporaryDir>
#include <QTest>

namespace {

QStringList urlsUpTo(int count)
{
    QStringList urls;
    for (int i = 1; i <= count; ++i)
        urls.append(sampleRecord(i).url);
    return urls;
}

} // namespace

class TestRunStore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();

    void recordsReadBackAsGiven();
    void interruptedRunResumesWhereItStopped();
    void runGoingElsewhereIsNotInterrupted();
    void runCannotBeResumedTwiceAtOnce();
    void settledRunAsksNoMore();
    void failedUrlsAreFetchFailuresAndServerErrors_data();
    void failedUrlsAreFetchFailuresAndServerErrors();
    void oldRunsArePruned();
    void runGoingElsewhereIsNotPruned();
    void lastRunOfAListFile();
    void lastCheckOfEachUrl();
    void previousLinkBackVerdict();
    void deletedRunLeavesNoOutcomes();

private:
    QString storePath() const { return m_dir->filePath(QStringLiteral("runs.sqlite")); }
    // A whole run of the given records over urls; returns its id.
    qint64 runOf(RunStore& store, const QStringList& urls, const QVector<UrlRecord>& records,
                 RunRecord::Ending ending = RunRecord::Ending::Done, const RunRecord& given = {});

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestRunStore::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

qint64 TestRunStore::runOf(RunStore& store, const QStringList& urls, const QVector<UrlRecord>& records,
                           RunRecord::Ending ending, const RunRecord& given)
{
    auto journal = store.beginRun(given, urls);
    if (!journal)
        return 0;
    for (const UrlRecord& r : records)
        journal->record(r);
    if (ending != RunRecord::Ending::Interrupted)
        journal->finish(ending);
    journal.reset(); // waits for the writer
    return store.queries().runs(1).value(0).id;
}

void TestRunStore::recordsReadBackAsGiven()
{
    RunStore store(storePath());
    QVERIFY2(store.isAvailable(), qPrintable(store.message()));
    QCOMPARE(store.message(), QString());

    UrlRecord edited = sampleRecord(4);                       // accepted, row 2
    edited.rowUrl = QStringLiteral("https://site4.example/"); // the cell differs from the entry
    edited.linkBack = true;
    edited.linkBackEvidence = QStringLiteral("<a href=\"https://my.example/\">");
    edited.attempts = 3;
    edited.checkedAt = 1765180800000;
    const QVector<UrlRecord> given{sampleRecord(1), sampleRecord(2), sampleRecord(3), edited};
    RunRecord start;
    start.context = QStringLiteral("[General]\nUseRecip=1");
    const qint64 id = runOf(store, urlsUpTo(6), given, RunRecord::Ending::Stopped, start);
    QVERIFY(id > 0);

    RunStore reopened(storePath());
    const RunRecord run = *reopened.queries().run(id);
    QCOMPARE(run.listSize, 6);
    QCOMPARE(run.processed, 4);
    QCOMPARE(run.rows, 2);
    QCOMPARE(run.ending, RunRecord::Ending::Stopped);
    QVERIFY(run.endedAt >= run.startedAt && run.startedAt > 0);
    QCOMPARE(run.context, QStringLiteral("[General]\nUseRecip=1"));
    QCOMPARE(reopened.queries().list(id), urlsUpTo(6));

    const QVector<UrlRecord> back = reopened.queries().outcomes(id);
    QCOMPARE(back.size(), 4);
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(back[i].position, given[i].position);
        QCOMPARE(back[i].url, given[i].url);
        QCOMPARE(back[i].kind, given[i].kind);
        QCOMPARE(back[i].reason, given[i].reason);
        QCOMPARE(back[i].statusLine, given[i].statusLine);
        QCOMPARE(back[i].contentType, given[i].contentType);
        QCOMPARE(back[i].bytes, given[i].bytes);
        QCOMPARE(back[i].milliseconds, given[i].milliseconds);
        QVERIFY(back[i].checkedAt > 0);
    }
    QCOMPARE(back[3].checkedAt, 1765180800000);
    QCOMPARE(back[3].attempts, 3);
    QCOMPARE(back[2].linkBack, std::nullopt);
    QCOMPARE(back[3].linkBack, std::optional<bool>(true));
    QCOMPARE(back[3].linkBackEvidence, QStringLiteral("<a href=\"https://my.example/\">"));

    const QVector<UrlRecord> rows = reopened.queries().rows(id);
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows[0].row, 1);
    QCOMPARE(rows[0].title, QStringLiteral("Site 1 - a directory of garden tools"));
    QCOMPARE(rows[0].email, QStringLiteral("info@site1.example"));
    QCOMPARE(rows[0].description, QStringLiteral("Everything about spades, rakes and hoes, reviewed by "
                                                 "gardeners since 1998; page 1."));
    QCOMPARE(rows[0].rowUrlCell(), QStringLiteral("https://site1.example/links.html"));
    QCOMPARE(rows[1].row, 2);
    QCOMPARE(rows[1].rowUrlCell(), QStringLiteral("https://site4.example/"));
}

void TestRunStore::interruptedRunResumesWhereItStopped()
{
    RunStore store(storePath());
    QVector<UrlRecord> first;
    for (int i = 1; i <= 127; ++i)
        first.append(sampleRecord(i));
    const qint64 id = runOf(store, urlsUpTo(300), first, RunRecord::Ending::Interrupted);

    const auto interrupted = store.queries().newestInterrupted();
    QVERIFY(interrupted);
    QCOMPARE(interrupted->id, id);
    QCOMPARE(interrupted->listSize, 300);
    QCOMPARE(interrupted->processed, 127);
    QCOMPARE(interrupted->rows, 43);
    QCOMPARE(interrupted->ending, RunRecord::Ending::Interrupted);
    QCOMPARE(store.queries().resumePosition(id), 128);

    auto journal = store.resumeRun(id);
    for (int i = 128; i <= 300; ++i)
        journal->record(sampleRecord(i));
    journal->finish(RunRecord::Ending::Done);
    journal.reset();

    QCOMPARE(store.queries().newestInterrupted(), std::nullopt);
    const RunRecord run = *store.queries().run(id);
    QCOMPARE(run.ending, RunRecord::Ending::Done);
    QCOMPARE(run.processed, 300);
    QCOMPARE(run.rows, 100);
    QCOMPARE(store.queries().resumePosition(id), 301);
    QCOMPARE(store.queries().rows(id).size(), 100);
    QCOMPARE(store.queries().runs().size(), 1);
}

void TestRunStore::runGoingElsewhereIsNotInterrupted()
{
    RunStore window(storePath());
    RunStore batch(storePath());
    auto journal = batch.beginRun(RunRecord(), urlsUpTo(3));
    journal->record(sampleRecord(1));
    QTRY_VERIFY(journal->committed() == 1);

    QCOMPARE(window.queries().newestInterrupted(), std::nullopt);
    QVERIFY(window.queries().run(journal->runId())->live);
    const qint64 id = journal->runId();
    journal.reset(); // gone without an end, as if the process were killed
    QVERIFY(!window.queries().run(id)->live);
    QCOMPARE(window.queries().newestInterrupted()->id, id);
}

void TestRunStore::runCannotBeResumedTwiceAtOnce()
{
    RunStore store(storePath());
    const qint64 id = runOf(store, urlsUpTo(3), {sampleRecord(1)}, RunRecord::Ending::Interrupted);
    auto first = store.resumeRun(id);
    QTRY_VERIFY(first->runId() == id);
    QStringList messages;
    auto second = store.resumeRun(id);
    connect(second.get(), &RunJournal::failed, this, [&](const QString& m) { messages.append(m); });
    QTRY_COMPARE(messages, QStringList{"The interrupted run is already being continued elsewhere. "
                                       "This run is not journaled."});
    QVERIFY(second->hasFailed());
    QCOMPARE(second->runId(), 0);
}

void TestRunStore::settledRunAsksNoMore()
{
    RunStore store(storePath());
    const qint64 older = runOf(store, urlsUpTo(3), {sampleRecord(1)}, RunRecord::Ending::Interrupted);
    const qint64 newer = runOf(store, urlsUpTo(3), {sampleRecord(1)}, RunRecord::Ending::Interrupted);
    QCOMPARE(store.queries().newestInterrupted()->id, newer);
    QVERIFY(store.queries().settle(newer));
    QCOMPARE(store.queries().newestInterrupted()->id, older);
    QVERIFY(store.queries().settle(older));
    QCOMPARE(store.queries().newestInterrupted(), std::nullopt);
    // Still listed, as interrupted.
    QCOMPARE(store.queries().run(newer)->ending, RunRecord::Ending::Interrupted);

    // A run begun settled, as a re-check's is, asks nothing when it is killed.
    RunRecord given;
    given.settled = true;
    auto journal = store.beginRun(given, urlsUpTo(3));
    journal->record(sampleRecord(1));
    QTRY_VERIFY(journal->committed() == 1);
    const qint64 killed = journal->runId();
    journal.reset();
    QCOMPARE(store.queries().run(killed)->ending, RunRecord::Ending::Interrupted);
    QCOMPARE(store.queries().newestInterrupted(), std::nullopt);
}

void TestRunStore::failedUrlsAreFetchFailuresAndServerErrors_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("statusLine");
    QTest::addColumn<bool>("failed");

    QTest::newRow("no response") << int(UrlRecord::Kind::Failed) << "" << true;
    QTest::newRow("503 refused") << int(UrlRecord::Kind::Refused) << "HTTP/1.1 503 Service Unavailable"
                                 << true;
    QTest::newRow("500 over HTTP/2") << int(UrlRecord::Kind::Refused) << "HTTP/2 500" << true;
    QTest::newRow("404 refused") << int(UrlRecord::Kind::Refused) << "HTTP/1.1 404 Not Found" << false;
    QTest::newRow("no link back") << int(UrlRecord::Kind::Refused) << "HTTP/1.1 200 OK" << false;
    QTest::newRow("599 refused") << int(UrlRecord::Kind::Refused) << "HTTP/1.1 599 Odd" << true;
    QTest::newRow("600 refused") << int(UrlRecord::Kind::Refused) << "HTTP/1.1 600 Odd" << false;
    // With the status check off a 500 page can still make a row.
    QTest::newRow("accepted 500") << int(UrlRecord::Kind::Accepted) << "HTTP/1.1 500 Oops" << false;
}

void TestRunStore::failedUrlsAreFetchFailuresAndServerErrors()
{
    QFETCH(int, kind);
    QFETCH(QString, statusLine);
    QFETCH(bool, failed);

    RunStore store(storePath());
    UrlRecord r = sampleRecord(2);
    r.kind = UrlRecord::Kind(kind);
    r.statusLine = statusLine;
    r.row = 1;
    const qint64 id = runOf(store, urlsUpTo(3), {sampleRecord(1), r, sampleRecord(3)});
    const QStringList expected =
        failed ? QStringList{"https://site2.example/links.html", "https://site3.example/links.html"}
               : QStringList{"https://site3.example/links.html"};
    QCOMPARE(store.queries().failedUrls(id), expected);
}

void TestRunStore::oldRunsArePruned()
{
    RunStore::Options options;
    options.keepRuns = 3;
    RunStore store(storePath(), options);
    QVector<qint64> ids;
    for (int n = 0; n < 5; ++n)
        ids.append(runOf(store, urlsUpTo(2), {sampleRecord(1), sampleRecord(2)}));
    QVector<qint64> kept;
    for (const RunRecord& run : store.queries().runs())
        kept.append(run.id);
    QCOMPARE(kept, (QVector<qint64>{ids[4], ids[3], ids[2]}));
    QCOMPARE(store.queries().outcomes(ids[1]).size(), 0);
    QCOMPARE(store.queries().lastChecks({sampleRecord(1).url}).value(sampleRecord(1).url).runId, ids[4]);
}

void TestRunStore::runGoingElsewhereIsNotPruned()
{
    RunStore::Options options;
    options.keepRuns = 2;
    RunStore store(storePath(), options);
    auto going = store.beginRun(RunRecord(), urlsUpTo(2));
    QTRY_VERIFY(going->runId() != 0);
    QVector<qint64> ids;
    for (int n = 0; n < 3; ++n)
        ids.append(runOf(store, urlsUpTo(1), {sampleRecord(1)}));
    QVector<qint64> kept;
    for (const RunRecord& run : store.queries().runs())
        kept.append(run.id);
    QCOMPARE(kept, (QVector<qint64>{ids[2], ids[1], going->runId()}));
}

void TestRunStore::lastRunOfAListFile()
{
    RunStore store(storePath());
    RunRecord a;
    a.listPath = QStringLiteral("/home/me/lists/garden.txt");
    a.listHash = RunStore::hashOfList("https://site1.example/links.html\n");
    RunRecord b = a;
    b.listPath = QStringLiteral("/home/me/lists/tools.txt");
    const qint64 first = runOf(store, urlsUpTo(1), {}, RunRecord::Ending::Done, a);
    runOf(store, urlsUpTo(1), {}, RunRecord::Ending::Done, b);
    QCOMPARE(store.queries().lastRunOfList(a.listPath)->id, first);
    a.listHash = RunStore::hashOfList("https://site1.example/links.html\nhttps://site2.example/\n");
    const qint64 third = runOf(store, urlsUpTo(2), {}, RunRecord::Ending::Done, a);
    const RunRecord last = *store.queries().lastRunOfList(a.listPath);
    QCOMPARE(last.id, third);
    // sha256sum of the file's bytes
    QCOMPARE(last.listHash,
             QStringLiteral("b5868f18382365ee0de5a3fcc149c4c003ca6100d4f179cc030d8696c9626808"));
    QCOMPARE(store.queries().lastRunOfList(QStringLiteral("/home/me/lists/none.txt")), std::nullopt);
}

void TestRunStore::lastCheckOfEachUrl()
{
    RunStore store(storePath());
    UrlRecord before = sampleRecord(1);
    before.checkedAt = 1765000000000;
    const qint64 first = runOf(store, urlsUpTo(2), {before, sampleRecord(2)});
    UrlRecord after = sampleRecord(3); // failed
    after.position = 1;
    after.url = before.url;
    after.checkedAt = 1765100000000;
    const qint64 second = runOf(store, urlsUpTo(1), {after});

    const auto checks = store.queries().lastChecks(
        {before.url, sampleRecord(2).url, QStringLiteral("https://never.example/")});
    QCOMPARE(checks.size(), 2);
    QCOMPARE(checks[before.url].runId, second);
    QCOMPARE(checks[before.url].record.checkedAt, 1765100000000);
    QCOMPARE(checks[before.url].record.kind, UrlRecord::Kind::Failed);
    QCOMPARE(checks[before.url].record.reason, QStringLiteral("fetch failed: Connection refused"));
    QCOMPARE(checks[sampleRecord(2).url].runId, first);
}

void TestRunStore::previousLinkBackVerdict()
{
    RunStore store(storePath());
    UrlRecord r = sampleRecord(1);
    r.linkBack = false;
    r.linkBackEvidence = QStringLiteral("no link to my.example");
    r.checkedAt = 1765000000000;
    const qint64 first = runOf(store, urlsUpTo(1), {r});
    r.linkBack = std::nullopt; // a run that did not check
    r.checkedAt = 1765050000000;
    runOf(store, urlsUpTo(1), {r});
    r.linkBack = true;
    r.checkedAt = 1765100000000;
    const qint64 third = runOf(store, urlsUpTo(1), {r});

    const auto previous = store.queries().previousLinkBack(r.url, third);
    QVERIFY(previous);
    QCOMPARE(previous->runId, first);
    QCOMPARE(previous->record.linkBack, std::optional<bool>(false));
    QCOMPARE(previous->record.linkBackEvidence, QStringLiteral("no link to my.example"));
    QCOMPARE(previous->record.checkedAt, 1765000000000);
    QCOMPARE(store.queries().previousLinkBack(r.url)->runId, third);
    QCOMPARE(store.queries().previousLinkBack(r.url, first), std::nullopt);
}

void TestRunStore::deletedRunLeavesNoOutcomes()
{
    RunStore store(storePath());
    const qint64 id = runOf(store, urlsUpTo(2), {sampleRecord(1), sampleRecord(2)});
    QVERIFY(store.queries().deleteRun(id));
    QCOMPARE(store.queries().run(id), std::nullopt);
    QCOMPARE(store.queries().outcomes(id).size(), 0);
    QCOMPARE(store.queries().lastChecks({sampleRecord(1).url}).size(), 0);
}

QTEST_GUILESS_MAIN(TestRunStore)
#include "tst_runstore.moc"
