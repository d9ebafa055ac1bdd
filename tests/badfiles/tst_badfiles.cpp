// Damaged files in the program folder: binary, 200 MB, cut off, UTF-16,
// CR-only, or a folder in the file's place. Each load keeps what it can read,
// never crashes and prints nothing; a save afterwards writes a clean file
// that loads back as what was saved.
#include "BadFile.h"
#include "TestHttpServer.h"
#include "filters/ListFile.h"
#include "filters/SortedListModel.h"
#include "results/AsciiDatabase.h"
#include "results/ResultsTable.h"
#include "settings/Settings.h"
#include "settings/SettingsFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

Q_DECLARE_METATYPE(BadFile::Kind)

namespace {

// Every Qt message printed while a load or save runs.
QStringList g_messages;

void collectMessage(QtMsgType, const QMessageLogContext&, const QString& text)
{
    g_messages.append(text);
}

class MessageCatcher
{
public:
    MessageCatcher() : m_previous(qInstallMessageHandler(&collectMessage)) { g_messages.clear(); }
    ~MessageCatcher() { qInstallMessageHandler(m_previous); }
    QStringList messages() const { return g_messages; }

private:
    QtMessageHandler m_previous;
};

const QString kDelimiter = QStringLiteral("|[@]|");

QStringList rawValues(const Settings& s)
{
    QStringList out;
    for (int i = 0; i < FieldCount; ++i)
        out.append(QString::fromLatin1(settingsFields()[i].key) + u'=' + s.snapshot().rawValue(Key(i)));
    return out;
}

// The record the good settings file holds: away from the initial values, with
// text beyond ASCII and a pattern enclosed in quotes.
void fillGoodSettings(Settings& s)
{
    s.setText(Key::TestURL, QStringLiteral("http://www.example.com/caf\u00e9"));
    s.setText(Key::TitleRegEx1, QStringLiteral("<h1 class=\"caf\u00e9\">"));
    s.setText(Key::DescriptionRegEx3, QStringLiteral("'[^']*'"));
    s.setText(Key::BadWordsFile, QStringLiteral("badwords.txt"));
    s.setText(Key::Reciptext, QStringLiteral("mysite\\.example"));
    s.setSelected(Key::TitleCaps3, true);
    s.setFlag(Key::UseRecip, FlagState::On);
}

QByteArray goodSettingsBytes()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("links.ini"));
    Settings good;
    fillGoodSettings(good);
    SaveSettings(good, path);
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

const QStringList kGoodList = {QStringLiteral("casino"),    QStringLiteral("poker"),
                               QStringLiteral("caf\u00e9"), QStringLiteral("'quoted'"),
                               QStringLiteral("   "),       QStringLiteral("zebra")};

QByteArray goodListBytes()
{
    return (kGoodList.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8();
}

QVector<ResultsTable::Row> goodRows()
{
    return {{"1", "Caf\u00e9 title", "a@b.example", "Desc one", "http://a.example/"},
            {"2", "Second", "", "Two", "http://b.example/x"},
            {"", "", "", "", ""}};
}

QByteArray goodDatabaseBytes()
{
    QByteArray out;
    for (const ResultsTable::Row& row : goodRows())
        out += QStringList(row.begin(), row.end()).join(kDelimiter).toUtf8() + "\r\n";
    return out;
}

void addKindRows()
{
    QTest::addColumn<BadFile::Kind>("kind");
    QTest::newRow("binary") << BadFile::Binary;
    QTest::newRow("truncated line") << BadFile::TruncatedLine;
    QTest::newRow("truncated character") << BadFile::TruncatedChar;
    QTest::newRow("one Windows-1252 line") << BadFile::Windows1252Line;
    QTest::newRow("UTF-16 LE") << BadFile::Utf16Le;
    QTest::newRow("UTF-16 BE") << BadFile::Utf16Be;
    QTest::newRow("CR only") << BadFile::CrOnly;
    QTest::newRow("200 MB") << BadFile::Huge;
    QTest::newRow("folder") << BadFile::Folder;
}

// Kinds whose good content survives whole.
bool keepsEverything(BadFile::Kind kind)
{
    return kind == BadFile::TruncatedChar || kind == BadFile::Windows1252Line || kind == BadFile::Utf16Le ||
           kind == BadFile::Utf16Be || kind == BadFile::CrOnly || kind == BadFile::Huge;
}

} // namespace

class TestBadFiles : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void settingsFile_data() { addKindRows(); }
    void settingsFile();
    void listFile_data() { addKindRows(); }
    void listFile();
    void databaseFile_data() { addKindRows(); }
    void databaseFile();
    void programStartsOnBadFolder_data() { addKindRows(); }
    void programStartsOnBadFolder();
    void leadingByteOrderMarkCharacterSurvivesSave();
    void windows1252FileEndingInAccentStaysWindows1252();

private:
    QString path(const QString& name) const { return m_dir->filePath(name); }

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestBadFiles::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestBadFiles::cleanup()
{
    // The 200 MB files go as soon as their test is over.
    m_dir.reset();
}

void TestBadFiles::settingsFile()
{
    QFETCH(BadFile::Kind, kind);
    const QString file = path(QStringLiteral("links.ini"));
    QVERIFY(BadFile::write(file, goodSettingsBytes(), kind));

    MessageCatcher catcher;
    Settings loaded;
    LoadSettings(loaded, file);
    Settings good;
    fillGoodSettings(good);
    const Settings initial;
    if (keepsEverything(kind)) {
        QCOMPARE(rawValues(loaded), rawValues(good));
    } else if (kind == BadFile::TruncatedLine) {
        // What came before the cut is there; the last section is not.
        QCOMPARE(loaded.text(Key::TitleRegEx1), good.text(Key::TitleRegEx1));
        QCOMPARE(loaded.text(Key::Reciptext), QString());
    } else {
        // Nothing readable: every text empty, every choice and flag as it was.
        for (int i = 0; i < FieldCount; ++i) {
            const bool text = settingsFields()[i].kind == FieldKind::Text;
            QCOMPARE(loaded.snapshot().rawValue(Key(i)),
                     text ? QString() : initial.snapshot().rawValue(Key(i)));
        }
    }

    const SaveOutcome saved = SaveSettings(loaded, file);
    if (kind == BadFile::Folder) {
        QVERIFY(!saved.ok);
        QVERIFY(QFile::exists(file + QStringLiteral("/keep.txt")));
    } else {
        QVERIFY2(saved.ok, qPrintable(saved.error));
        QString why;
        QVERIFY2(BadFile::isClean(file, &why), qPrintable(why));
        QVERIFY(QFileInfo(file).size() < 1024 * 1024 || kind == BadFile::Binary);
        Settings again;
        LoadSettings(again, file);
        QCOMPARE(rawValues(again), rawValues(loaded));
    }
    QCOMPARE(catcher.messages(), QStringList());
}

void TestBadFiles::listFile()
{
    QFETCH(BadFile::Kind, kind);
    const QString file = path(QStringLiteral("badwords.txt"));
    QVERIFY(BadFile::write(file, goodListBytes(), kind));

    MessageCatcher catcher;
    SortedListModel list;
    list.setEntries({QStringLiteral("previous")});
    const bool opened = LoadListFromFile(list, file, MissingListFile::KeepList);
    QCOMPARE(opened, kind != BadFile::Folder);
    QStringList sortedGood = kGoodList;
    std::stable_sort(sortedGood.begin(), sortedGood.end(), SortedListModel::lessThan);
    for (const QString& entry : list.entries()) {
        QVERIFY(!entry.isEmpty());
        QVERIFY(!entry.contains(u'\r') && !entry.contains(u'\n') && !entry.contains(QChar(0)));
    }
    if (kind == BadFile::Folder) {
        QCOMPARE(list.entries(), QStringList{QStringLiteral("previous")});
        SortedListModel status;
        status.setEntries({QStringLiteral("200 OK")});
        QVERIFY(!LoadListFromFile(status, file, MissingListFile::EmptyList));
        QCOMPARE(status.count(), 0);
    } else if (kind == BadFile::TruncatedChar || kind == BadFile::Windows1252Line) {
        // The UTF-8 "caf\u00e9" stays as it was; the last line reads as far as it can.
        QStringList want = sortedGood;
        want.append(kind == BadFile::TruncatedChar ? QStringLiteral("caf\ufffd")
                                                   : QStringLiteral("caf\u00e9"));
        std::stable_sort(want.begin(), want.end(), SortedListModel::lessThan);
        QCOMPARE(list.entries(), want);
    } else if (keepsEverything(kind)) {
        QCOMPARE(list.entries(), sortedGood);
    } else if (kind == BadFile::TruncatedLine) {
        QVERIFY(list.entries().contains(QStringLiteral("casino")));
        QVERIFY(!list.entries().contains(QStringLiteral("zebra")));
    }

    const QString saved = path(QStringLiteral("saved.txt"));
    QVERIFY(SaveListToFile(saved, list.entries()).ok);
    QString why;
    QVERIFY2(BadFile::isClean(saved, &why), qPrintable(why));
    SortedListModel again;
    QVERIFY(LoadListFromFile(again, saved, MissingListFile::KeepList));
    QCOMPARE(again.entries(), list.entries());
    QCOMPARE(catcher.messages(), QStringList());
}

void TestBadFiles::databaseFile()
{
    QFETCH(BadFile::Kind, kind);
    const QString file = path(QStringLiteral("database.txt"));
    QVERIFY(BadFile::write(file, goodDatabaseBytes(), kind));

    MessageCatcher catcher;
    ResultsTable table;
    table.setCell(1, 1, QStringLiteral("before"));
    const bool loaded = LoadResults(table, file, kDelimiter);
    QCOMPARE(loaded, kind != BadFile::Folder);
    QVector<ResultsTable::Row> want = goodRows();
    want.prepend(ResultsTable::headerTexts());
    if (kind == BadFile::Folder) {
        QCOMPARE(table.cell(1, 1), QStringLiteral("before"));
    } else if (kind == BadFile::TruncatedChar || kind == BadFile::Windows1252Line) {
        const QString last =
            kind == BadFile::TruncatedChar ? QStringLiteral("caf\ufffd") : QStringLiteral("caf\u00e9");
        want.append({last, {}, {}, {}, {}});
        QCOMPARE(table.rows(), want);
    } else if (keepsEverything(kind)) {
        QCOMPARE(table.rows(), want);
    } else if (kind == BadFile::TruncatedLine) {
        QVERIFY(table.tableRowCount() == 2 || table.tableRowCount() == 3);
        QCOMPARE(table.cell(1, 0), QStringLiteral("1"));
    }

    const QString saved = path(QStringLiteral("saved.txt"));
    QVERIFY(SaveResults(table, saved, kDelimiter).ok);
    QString why;
    // Random bytes may hold NUL bytes that are cell text; everything else is clean.
    if (kind != BadFile::Binary)
        QVERIFY2(BadFile::isClean(saved, &why), qPrintable(why));
    ResultsTable again;
    QVERIFY(LoadResults(again, saved, kDelimiter));
    QCOMPARE(again.rows(), table.rows());
    QCOMPARE(catcher.messages(), QStringList());
}

void TestBadFiles::programStartsOnBadFolder()
{
    QFETCH(BadFile::Kind, kind);
    // Every file the start-up reads is damaged the same way.
    QVERIFY(BadFile::write(path(QStringLiteral("links.ini")), goodSettingsBytes(), kind));
    QVERIFY(BadFile::write(path(QStringLiteral("badwords.txt")), goodListBytes(), kind));
    QVERIFY(BadFile::write(path(QStringLiteral("headers.txt")), "200 OK\r\n", kind));

    TestHttpServer server;
    server.route(QStringLiteral("/"), TestHttpResponse::html("<html><title>Start page</title></html>"));
    QProcess batch;
    batch.start(
        QCoreApplication::applicationDirPath() + QStringLiteral("/quillmark-batch"),
        {QStringLiteral("--test"), QStringLiteral("--folder"), m_dir->path(), server.url().toString()});
    QVERIFY(batch.waitForFinished(120000));
    QCOMPARE(batch.exitStatus(), QProcess::NormalExit);
    QCOMPARE(batch.exitCode(), 0);
    const QString out = QString::fromUtf8(batch.readAllStandardOutput());
    QVERIFY2(out.startsWith(QLatin1String("Verdict: ")), qPrintable(out));
    QVERIFY(out.contains(QLatin1String("\nDescription: ")));
    // The one thing worth saying: that there are no settings to read.
    const QString err = QString::fromUtf8(batch.readAllStandardError());
    const QString noSettings =
        QStringLiteral("quillmark-batch: warning: no %1: every pattern and file name is empty\n")
            .arg(QDir::toNativeSeparators(QFileInfo(path(QStringLiteral("links.ini"))).absoluteFilePath()));
    QCOMPARE(err, kind == BadFile::Folder ? noSettings : QString());
    // The settings were read: the reciprocal-link check they switch on ran.
    if (keepsEverything(kind))
        QVERIFY2(out.contains(QLatin1String("No Recip pattern was found")),
                 qPrintable(QString(out).replace(u'\n', u'|')));
}

void TestBadFiles::leadingByteOrderMarkCharacterSurvivesSave()
{
    // Reading drops one leading mark; a first entry or cell that begins with
    // U+FEFF itself must not lose it (nor the whole row) through a save.
    const QString first = QStringLiteral("\ufeffentry");
    QVERIFY(SaveListToFile(path(QStringLiteral("list.txt")), {first, QStringLiteral("next")}).ok);
    SortedListModel list;
    QVERIFY(LoadListFromFile(list, path(QStringLiteral("list.txt")), MissingListFile::KeepList));
    QVERIFY(list.entries().contains(first));

    ResultsTable table;
    table.replaceDataRows(
        {{QStringLiteral("\ufeff"), {}, {}, {}, {}}, {QStringLiteral("2"), {}, {}, {}, {}}});
    QVERIFY(SaveResults(table, path(QStringLiteral("db.txt")), QString()).ok);
    ResultsTable again;
    QVERIFY(LoadResults(again, path(QStringLiteral("db.txt")), QString()));
    QCOMPARE(again.rows(), table.rows());
}

void TestBadFiles::windows1252FileEndingInAccentStaysWindows1252()
{
    // Its last byte looks like the start of a torn UTF-8 character, but
    // nothing else in the file is UTF-8: it is an old Windows file.
    const QString file = path(QStringLiteral("badwords.txt"));
    QFile f(file);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("casino\r\npoker\r\ncaf\xE9");
    f.close();
    SortedListModel list;
    QVERIFY(LoadListFromFile(list, file, MissingListFile::KeepList));
    QCOMPARE(list.entries(),
             (QStringList{QStringLiteral("caf\u00e9"), QStringLiteral("casino"), QStringLiteral("poker")}));
}

QTEST_GUILESS_MAIN(TestBadFiles)
#include "tst_badfiles.moc"
