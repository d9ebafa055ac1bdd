#include "StoreTestRecords.h"
#include "run/LinkBackRecord.h"
#include "store/RunStore.h"

#include <QFile>
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

// A stored outcome on one line, its verdict read as a re-check reads it.
QString described(const UrlRecord& r)
{
    QStringList parts{QString::number(r.position),
                      r.url,
                      QString::number(int(r.kind)),
                      r.reason,
                      r.statusLine,
                      r.contentType,
                      QString::number(r.bytes),
                      QString::number(r.milliseconds),
                      QString::number(r.checkedAt),
                      QString::number(r.attempts)};
    if (r.kind == UrlRecord::Kind::Accepted)
        parts << QString::number(r.row.number) << r.row.title << r.row.email << r.row.description
              << r.row.url;
    if (const auto verdict = LinkBackRecord::verdictOf(r))
        parts << LinkBackVerdict::name(verdict->kind) << verdict->evidence << verdict->finalUrl
              << r.linkBack->source;
    return parts.join(" | ");
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
    void versionOneStoreIsConverted();

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

    UrlRecord edited = sampleRecord(4);                        // accepted, row 2
    edited.row.url = QStringLiteral("https://site4.example/"); // the cell differs from the entry
    edited.linkBack = UrlRecord::LinkBackFields{1,
                                                QStringLiteral("<a href=\"https://my.example/\">"),
                                                "My site",
                                                "https://my.example/",
                                                "https://site4.example/links.html",
                                                "html"};
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
    QVERIFY(!back[2].linkBack);
    QCOMPARE(back[3].linkBack->kind, 1);
    QCOMPARE(back[3].linkBack->evidence, QStringLiteral("<a href=\"https://my.example/\">"));
    QCOMPARE(back[3].linkBack->anchorText, QStringLiteral("My site"));
    QCOMPARE(back[3].linkBack->target, QStringLiteral("https://my.example/"));
    QCOMPARE(back[3].linkBack->finalUrl, QStringLiteral("https://site4.example/links.html"));
    QCOMPARE(back[3].linkBack->source, QStringLiteral("html"));

    const QVector<UrlRecord> rows = reopened.queries().rows(id);
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows[0].row.number, 1);
    QCOMPARE(rows[0].row.title, QStringLiteral("Site 1 - a directory of garden tools"));
    QCOMPARE(rows[0].row.email, QStringLiteral("info@site1.example"));
    QCOMPARE(rows[0].row.description, QStringLiteral("Everything about spades, rakes and hoes, reviewed by "
                                                     "gardeners since 1998; page 1."));
    QCOMPARE(rows[0].row.url, QStringLiteral("https://site1.example/links.html"));
    QCOMPARE(rows[1].row.number, 2);
    QCOMPARE(rows[1].row.url, QStringLiteral("https://site4.example/"));
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
    r.row.number = 1;
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
    r.linkBack = UrlRecord::LinkBackFields{4, {}, {}, {}, r.url, "html"};
    r.checkedAt = 1765000000000;
    const qint64 first = runOf(store, urlsUpTo(1), {r});
    r.linkBack = std::nullopt; // a run that did not check
    r.checkedAt = 1765050000000;
    runOf(store, urlsUpTo(1), {r});
    r.linkBack = UrlRecord::LinkBackFields{1, {}, {}, {}, r.url, "html"};
    r.checkedAt = 1765100000000;
    const qint64 third = runOf(store, urlsUpTo(1), {r});

    const auto previous = store.queries().previousLinkBack(r.url, third);
    QVERIFY(previous);
    QCOMPARE(previous->runId, first);
    QCOMPARE(previous->record.linkBack->kind, 4);
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

// A store the previous release wrote: a run over seven partners, then a
// re-check of them. Opened once it is converted; opened again, it reads back
// as it was, each verdict in its parts.
void TestRunStore::versionOneStoreIsConverted()
{
    const QString source = qEnvironmentVariable("QM_TEST_SOURCE_DIR") + "/tests/store/data/runs-v1.sqlite";
    QVERIFY(QFile::copy(source, storePath()));
    QFile(storePath()).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    QVERIFY2(RunStore(storePath()).isAvailable(), "converting");
    RunStore store(storePath());
    QVERIFY2(store.isAvailable(), qPrintable(store.message()));

    const QVector<RunRecord> runs = store.queries().runs();
    QCOMPARE(runs.size(), 2);
    QCOMPARE(QStringList({QString::number(runs[1].startedAt), QString::number(runs[1].endedAt),
                          QString::number(int(runs[1].ending)), runs[1].listPath, runs[1].listHash,
                          QString::number(runs[1].processed), QString::number(runs[1].rows)}),
             QStringList({"1796748931856", "1796748931916", "1", "/work/fixtures/v1/list.txt",
                          "f51f4b115e59605158366e2e2539f3bf5617451377247e6fcf650993b873d599", "7", "5"}));
    QCOMPARE(runs[0].context, QStringLiteral("recheck"));
    QVERIFY(runs[0].settled && runs[0].ending == RunRecord::Ending::Done);
    const QStringList urls{"http://127.0.0.1:18931/followed.html",
                           "http://127.0.0.1:18931/nofollow.html",
                           "http://127.0.0.1:18931/nolink.html",
                           "http://127.0.0.1:18931/hidden.html",
                           "http://127.0.0.1:18931/blocked.html",
                           "http://127.0.0.1:18931/missing.html",
                           "http://127.0.0.1:1/dead"};
    QCOMPARE(store.queries().list(1), urls);
    QCOMPARE(store.queries().list(2), urls);

    QStringList outcomes;
    for (const UrlRecord& r : store.queries().outcomes(1))
        outcomes << described(r);
    const QStringList expected{
        "1 | http://127.0.0.1:18931/followed.html | 1 | row 1 | HTTP/1.0 200 OK | text/html | 203 | 31 | "
        "1796748931909 | 1 | 1 | Followed partner |  | A partner that links back | "
        "http://127.0.0.1:18931/followed.html | followed | <a href=\"https://mysite.example/\">My site — the "
        "best</a> | http://127.0.0.1:18931/followed.html | html",
        "2 | http://127.0.0.1:18931/nofollow.html | 1 | row 2 | HTTP/1.0 200 OK | text/html | 131 | 36 | "
        "1796748931911 | 1 | 2 | Nofollow partner |  |  | http://127.0.0.1:18931/nofollow.html | nofollow | "
        "<a rel=\"nofollow\" href=\"http://mysite.example/page\">Mine</a> | "
        "http://127.0.0.1:18931/nofollow.html | html",
        "3 | http://127.0.0.1:18931/nolink.html | 1 | row 3 | HTTP/1.0 200 OK | text/html | 103 | 4 | "
        "1796748931911 | 1 | 3 | No link |  |  | http://127.0.0.1:18931/nolink.html | no link |  | "
        "http://127.0.0.1:18931/nolink.html | html",
        "4 | http://127.0.0.1:18931/hidden.html | 1 | row 4 | HTTP/1.0 200 OK | text/html | 131 | 4 | "
        "1796748931912 | 1 | 4 | Hidden |  |  | http://127.0.0.1:18931/hidden.html | hidden | <a "
        "href=\"http://mysite.example/\">h</a> | http://127.0.0.1:18931/hidden.html | html",
        "5 | http://127.0.0.1:18931/blocked.html | 1 | row 5 | HTTP/1.0 200 OK | text/html | 203 | 1 | "
        "1796748931912 | 1 | 5 | Followed partner |  | A partner that links back | "
        "http://127.0.0.1:18931/blocked.html | blocked by robots.txt | "
        "<a href=\"https://mysite.example/\">My site — the best</a> | "
        "http://127.0.0.1:18931/blocked.html | html",
        "6 | http://127.0.0.1:18931/missing.html | 2 | status line not accepted: HTTP/1.0 404 File not found "
        "| HTTP/1.0 404 File not found | text/html;charset=utf-8 | 335 | 3 | 1796748931912 | 1 | no link "
        "|  | http://127.0.0.1:18931/missing.html | html",
        "7 | http://127.0.0.1:1/dead | 3 | fetch failed: Failed to connect to 127.0.0.1 port 1: Couldn't "
        "connect to server |  |  | 0 | 0 | 1796748931912 | 1"};
    QCOMPARE(outcomes, expected);
    QStringList rows;
    for (const UrlRecord& r : store.queries().rows(1))
        rows << QString::number(r.position);
    QCOMPARE(rows, QStringList({"1", "2", "3", "4", "5"}));

    // Each partner's last check is the re-check's, read as the next re-check reads it.
    QStringList last;
    const auto checks = store.queries().lastChecks(urls);
    for (const QString& url : urls) {
        const StoreQueries::Check check = checks.value(url);
        const auto read = LinkBackRecord::checkOf(check.record);
        last << QString::number(check.runId) + " | " + check.record.reason +
                    (read ? " | " + LinkBackVerdict::name(read->verdict) + " | " + read->finalUrl
                          : QString());
    }
    QCOMPARE(last,
             QStringList({"2 | kept | followed | http://127.0.0.1:18931/followed.html",
                          "2 | now nofollow | nofollow | http://127.0.0.1:18931/nofollow.html",
                          "2 | lost | no link | http://127.0.0.1:18931/nolink.html",
                          "2 | lost | hidden | http://127.0.0.1:18931/hidden.html",
                          "2 | now blocked | blocked by robots.txt | http://127.0.0.1:18931/blocked.html",
                          "2 | page gone | page gone | http://127.0.0.1:18931/missing.html",
                          "2 | Failed to connect to 127.0.0.1 port 1: Couldn't connect to server"}));
    QCOMPARE(checks.value(urls[1]).record.linkBack->evidence,
             QStringLiteral("<a rel=\"nofollow\" href=\"http://mysite.example/page\">Mine</a>"));

    // The converted store takes new runs with every part of a verdict.
    UrlRecord r = sampleRecord(2);
    r.linkBack = UrlRecord::LinkBackFields{7, "<a>", "Mine", "https://mysite.example/", r.url, "html"};
    const qint64 id = runOf(store, urlsUpTo(2), {r});
    QCOMPARE(store.queries().outcomes(id).value(0).linkBack->anchorText, QStringLiteral("Mine"));
}

QTEST_GUILESS_MAIN(TestRunStore)
#include "tst_runstore.moc"
