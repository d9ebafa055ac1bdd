// User patterns that backtrack without end, nest deeply or ask for enormous
// repetition counts, in every place a pattern goes, run by quillmark-batch
// over real-sized pages: the run goes on to the last URL, every verdict is
// the exact one (none of these pages carries a digit, so the reciprocal-link
// pattern finds nothing anywhere and no page is added), and no page takes
// long.
#include "BatchProbe.h"
#include "HostileServer.h"
#include "filters/ListFile.h"
#include "settings/Settings.h"
#include "settings/SettingsFile.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Patterns without back references are decided in linear time, and the
// others stop at fixed count limits; a page of this test takes well under a
// second, this leaves room for a loaded machine.
constexpr qint64 kPageLimitMs = 15000;

QByteArray repeatToSize(const QByteArray& piece, int size)
{
    return piece.repeated(size / piece.size() + 1).left(size);
}

// Pages of 256 KB to 1 MB shaped to feed the patterns below: long runs of
// one letter, long lines of words, many tags and at-signs, and no line
// breaks at all.
QList<QByteArray> pages()
{
    const QByteArray head = "<html><head><title>";
    return {
        head + repeatToSize("a", 512 * 1024) + "</title></head><body>" + repeatToSize("aaaa@", 200 * 1024) +
            "</body></html>",
        head + "Words</title>\r\n<meta name=\"description\" content=\"" + repeatToSize("word ", 400 * 1024) +
            "\"></head><body>" + repeatToSize("line of text\r\n", 300 * 1024) + "</body></html>",
        head + "Tags</title></head><body>" +
            repeatToSize("<a href=\"http://x.example.com/p\">link <b>x</b></a> mail me@x.example.com\r\n",
                         1024 * 1024) +
            "</body></html>",
        head + repeatToSize("<title>", 256 * 1024) + repeatToSize("x", 256 * 1024) + "</body></html>",
        repeatToSize("\t \t  \r\n", 512 * 1024),
        head + "Plain page</title></head><body>Nothing special here.</body></html>",
    };
}

} // namespace

class TestPatterns : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void pathologicalPatternsKeepTheRunGoing();
    void growingReplacementsStayBounded();
};

void TestPatterns::pathologicalPatternsKeepTheRunGoing()
{
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    QVERIFY(BatchProbe::seedFolder(folder.path()));

    // Catastrophic backtracking, deep nesting and huge counts in every field
    // that holds a pattern. Setting values are read back cut to 254
    // characters, so the deepest nesting goes into the bad-words list.
    Settings settings;
    LoadSettings(settings, QDir(folder.path()).filePath(QStringLiteral("links.ini")));
    const QString nested =
        QStringLiteral("(").repeated(60) + QStringLiteral("a*") + QStringLiteral(")*").repeated(60);
    settings.setText(Key::TitleRegEx2, QStringLiteral("((a+)+)+$"));
    settings.setText(Key::DescriptionRegEx2, QStringLiteral("((\\w+\\s?)+)*\\x00"));
    // No single attempt is long, but a backtracking engine scans from every
    // start position to the end of its run of letters: quadratic work.
    settings.setText(Key::EmailRegEx1, QStringLiteral("\\w*\\d@"));
    settings.setText(Key::EmailRegEx3, QStringLiteral("(.{1,65535}){65535}$"));
    settings.setText(Key::Reciptext, QStringLiteral("(x+x+)+y|[\\s\\w]*\\d"));
    settings.setFlag(Key::UseRecip, FlagState::On);
    settings.setText(Key::TitleReplace2, nested);
    settings.setFlag(Key::TitleReplace1, FlagState::On);
    settings.setText(Key::DescriptionReplace2, QStringLiteral("(\\s*\\S*)*q$"));
    settings.setFlag(Key::DescriptionReplace1, FlagState::On);
    settings.setSelected(Key::TitleBadWords2, true);
    settings.setSelected(Key::DescriptionBadWords2, true);
    settings.setSelected(Key::EmailOption3, true);
    QVERIFY(SaveSettings(settings, QDir(folder.path()).filePath(QStringLiteral("links.ini"))).ok);
    const QStringList badWords = {
        QStringLiteral("(a|aa)+c"),
        QStringLiteral("[a-z ]+[0-9]"),
        QStringLiteral("(").repeated(2000) + QStringLiteral("a") + QStringLiteral(")").repeated(2000),
        QStringLiteral("(?:a{65535}){65535}"),
        QStringLiteral("(.*a){30}z"),
        QStringLiteral("^(([a-z])+.)+[A-Z]([a-z])+$"),
    };
    QVERIFY(SaveListToFile(QDir(folder.path()).filePath(QStringLiteral("badwords.txt")), badWords).ok);
    const QStringList validStatus = {QStringLiteral("(.*)*x200"), QStringLiteral("200 OK")};
    QVERIFY(SaveListToFile(QDir(folder.path()).filePath(QStringLiteral("headers.txt")), validStatus).ok);

    HostileServer server;
    QStringList urls;
    const QList<QByteArray> bodies = pages();
    for (int i = 0; i < bodies.size(); ++i) {
        const QString path = QStringLiteral("/page%1").arg(i);
        server.route(path, HostileServer::page(bodies[i]));
        urls.append(server.url(path));
    }
    const QString links = folder.filePath(QStringLiteral("links-to-visit.txt"));
    QVERIFY(BatchProbe::writeLinks(links, urls));

    const qint64 pageLimitMs = kPageLimitMs;

    BatchProbe probe;
    const QString output = folder.filePath(QStringLiteral("rows.txt"));
    QVERIFY(probe.run({QStringLiteral("--folder"), folder.path(), QStringLiteral("--output"), output, links},
                      int(pageLimitMs * urls.size())));
    QVERIFY2(probe.finishedNormally() && probe.exitCode() == 0, qPrintable(probe.messages().right(2000)));
    QVERIFY2(probe.messages().contains(QStringLiteral(" Processed: %1  Added: 0 ").arg(urls.size())),
             qPrintable(probe.messages().right(2000)));
    QCOMPARE(probe.turns().size(), urls.size());
    for (const BatchProbe::UrlTurn& turn : probe.turns()) {
        qInfo("  %6lld ms  %s", turn.durationMs, qPrintable(turn.url));
        QVERIFY2(turn.durationMs < pageLimitMs, qPrintable(turn.url));
    }
    QVERIFY2(probe.peakRssKiB() < 300 * 1024, qPrintable(QString::number(probe.peakRssKiB())));
}

void TestPatterns::growingReplacementsStayBounded()
{
    // The whole page as the title, then every character of it replaced by
    // itself 120 times over, by the title replace and by a bad word: without
    // a bound that is gigabytes from one 12 MB page.
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    QVERIFY(BatchProbe::seedFolder(folder.path()));
    Settings settings;
    LoadSettings(settings, QDir(folder.path()).filePath(QStringLiteral("links.ini")));
    const QString manyCopies = QStringLiteral("$&").repeated(120);
    settings.setText(Key::TitleRegEx1, QString());
    settings.setText(Key::TitleRegEx2, QStringLiteral("[\\s\\S]+"));
    settings.setText(Key::TitleRegEx3, QString());
    settings.setFlag(Key::TitleReplace1, FlagState::On);
    settings.setText(Key::TitleReplace2, QStringLiteral("[\\s\\S]+"));
    settings.setText(Key::TitleReplace3, manyCopies);
    settings.setSelected(Key::TitleBadWords2, true);
    settings.setText(Key::TitleBadWords3, manyCopies);
    QVERIFY(SaveSettings(settings, QDir(folder.path()).filePath(QStringLiteral("links.ini"))).ok);
    QVERIFY(
        SaveListToFile(QDir(folder.path()).filePath(QStringLiteral("badwords.txt")), {QStringLiteral(".")})
            .ok);

    HostileServer server;
    const QByteArray page = "<html><title>Big</title>" + repeatToSize("word word word\r\n", 12 * 1024 * 1024);
    server.route(QStringLiteral("/big"), HostileServer::page(page));
    const QString links = folder.filePath(QStringLiteral("links-to-visit.txt"));
    QVERIFY(BatchProbe::writeLinks(links, {server.url(QStringLiteral("/big"))}));

    BatchProbe probe;
    const QString output = folder.filePath(QStringLiteral("rows.txt"));
    QVERIFY(probe.run({QStringLiteral("--folder"), folder.path(), QStringLiteral("--output"), output, links},
                      120000));
    QVERIFY2(probe.finishedNormally() && probe.exitCode() == 0, qPrintable(probe.messages().right(2000)));
    QVERIFY(probe.messages().contains(QLatin1String(" Processed: 1  Added: 1")));
    QVERIFY2(probe.peakRssKiB() < 300 * 1024, qPrintable(QString::number(probe.peakRssKiB())));
    // The row is there, no bigger than the page and the bound on growth allow.
    QVERIFY(QFileInfo(output).size() > page.size() / 2);
    QVERIFY(QFileInfo(output).size() < 3 * page.size());
}

QTEST_GUILESS_MAIN(TestPatterns)
#include "tst_patterns.moc"
