#include "SettingsKeys.h"
#include "TestFiles.h"
#include "platform/AtomicFile.h"
#include "platform/TextFile.h"
#include "settings/IniDocument.h"
#include "settings/IniFile.h"
#include "settings/ProgramFolder.h"
#include "settings/RunPreferences.h"
#include "settings/Settings.h"
#include "settings/SettingsFile.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Every field in its stored encoding, in field order, for comparing whole records.
QStringList rawValues(const Settings& s)
{
    QStringList values;
    for (int i = 0; i < FieldCount; ++i)
        values.append(settingsFields()[i].key + QStringLiteral("=") + s.snapshot().rawValue(Key(i)));
    return values;
}

} // namespace

class TestSettingsFiles : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_tmp.emplace();
        QVERIFY(m_tmp->isValid());
    }

    void textDecoding_data();
    void textDecoding();
    void atomicWriteFailureKeepsOldFile_data();
    void atomicWriteFailureKeepsOldFile();

    void iniRead_data();
    void iniRead();
    void iniReadMissingFile();
    void iniWrite_data();
    void iniWrite();
    void iniWriteRefusesUnreadableExistingFile();

    void snapshotKeepsTheValuesItWasTakenWith();
    void saveThenLoadGivesEveryFieldBack();
    void freshSaveMatchesShippedDefaults();
    void load_data();
    void load();
    void loadWithoutFileEmptiesTextsOnly();
    void saveKeepsHandEditedLines();
    void failedSaveKeepsOldFile();

    void runPreferences_data();
    void runPreferences();
    void runPreferencesSaveKeepsHandEdits();
    void runPreferencesKeepRuns_data();
    void runPreferencesKeepRuns();

    void programFolderPrefersWritableExecutableFolder();
    void programFolderOfInstalledCopy_data();
    void programFolderOfInstalledCopy();
    void programFolderFallsBackAndSeedsOnce();
    void programFolderFallbackBringsThePictures();
    void emptyNameGivesTheFolderWhichNoLoadOpens();

private:
    QString path(const QString& name) const { return m_tmp->filePath(name); }
    QString dir() const { return m_tmp->path(); }
    std::optional<QTemporaryDir> m_tmp; // a fresh folder for every test row
};

void TestSettingsFiles::textDecoding_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("lines");

    QTest::newRow("crlf") << QByteArray("a\r\nb\r\n") << QStringList{"a", "b"};
    QTest::newRow("lf and lone cr") << QByteArray("a\nb\rc") << QStringList{"a", "b", "c"};
    QTest::newRow("empty lines kept") << QByteArray("a\r\n\r\n\nb") << QStringList{"a", "", "", "b"};
    QTest::newRow("blank line is a line") << QByteArray("   \r\n") << QStringList{"   "};
    QTest::newRow("nothing") << QByteArray() << QStringList{};
    QTest::newRow("utf-8") << QByteArray("caf\xC3\xA9 \xE2\x82\xAC\r\n")
                           << QStringList{QStringLiteral("café €")};
    QTest::newRow("utf-8 bom dropped") << QByteArray("\xEF\xBB\xBFkey=1\r\n") << QStringList{"key=1"};
    QTest::newRow("windows-1252") << QByteArray("caf\xE9 \x80 \x93q\x94\r\n")
                                  << QStringList{QStringLiteral("café € \u201Cq\u201D")};
    QTest::newRow("1252 undefined bytes keep their value")
        << QByteArray("\x81\x8D") << QStringList{QStringLiteral("\u0081\u008D")};
}

void TestSettingsFiles::textDecoding()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, lines);
    writeBytes(path("t.txt"), bytes);
    const auto read = TextFile::readLines(path("t.txt"));
    QVERIFY(read.has_value());
    QCOMPARE(*read, lines);
}

void TestSettingsFiles::atomicWriteFailureKeepsOldFile_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<bool>("sizeLimited");

    QTest::newRow("target is a folder") << "folder" << false;
    QTest::newRow("parent is a file") << "plain.txt/new.txt" << false;
#ifdef Q_OS_UNIX
    QTest::newRow("disk full mid-write") << "old.txt" << true;
#endif
}

void TestSettingsFiles::atomicWriteFailureKeepsOldFile()
{
    QFETCH(QString, target);
    QFETCH(bool, sizeLimited);
    QVERIFY(QDir(dir()).mkpath("folder"));
    writeBytes(path("plain.txt"), "plain");
    writeBytes(path("old.txt"), "old content\r\n");

    SaveOutcome outcome;
    {
#ifdef Q_OS_UNIX
        std::optional<FileSizeLimit> limit;
        if (sizeLimited)
            limit.emplace(64);
#endif
        outcome = AtomicFile::write(path(target), QByteArray(4096, 'x'));
    }
    QVERIFY(!outcome.ok);
    QCOMPARE(outcome.path, path(target));
    QVERIFY(!outcome.error.isEmpty());
    QVERIFY2(!outcome.error.contains("Unknown error"), qPrintable(outcome.error));
    QVERIFY(outcome.message().contains(path(target)));
    QCOMPARE(readBytes(path("old.txt")), QByteArray("old content\r\n"));
    QCOMPARE(readBytes(path("plain.txt")), QByteArray("plain"));
    // No temporary file is left behind.
    QCOMPARE(QDir(dir()).entryList(QDir::Files).size(), 2);
}

void TestSettingsFiles::iniRead_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");

    const QByteArray basic = "[Title]\r\nTitleRegEx1=<title>\r\n[Email]\r\nEmailRegEx2=webmaster@\r\n";
    QTest::newRow("plain") << basic << "Email"
                           << "EmailRegEx2"
                           << "webmaster@";
    QTest::newRow("names ignore case") << basic << "tItLe"
                                       << "titleregex1"
                                       << "<title>";
    QTest::newRow("missing section") << basic << "Output"
                                     << "TitleRegEx1"
                                     << "";
    QTest::newRow("key of another section") << basic << "Title"
                                            << "EmailRegEx2"
                                            << "";
    QTest::newRow("blanks around value and name") << QByteArray("[S]\r\n  K  =  \t v a \t \r\n") << "S"
                                                  << "K"
                                                  << "v a";
    QTest::newRow("double quotes") << QByteArray("[S]\r\nK=\" x \"\r\n") << "S"
                                   << "K"
                                   << " x ";
    QTest::newRow("single quotes") << QByteArray("[S]\r\nK='x'\r\n") << "S"
                                   << "K"
                                   << "x";
    QTest::newRow("one pair only") << QByteArray("[S]\r\nK=\"\"x\"\"\r\n") << "S"
                                   << "K"
                                   << "\"x\"";
    QTest::newRow("unmatched quotes kept") << QByteArray("[S]\r\nK=\"x'\r\n") << "S"
                                           << "K"
                                           << "\"x'";
    QTest::newRow("lone quote kept") << QByteArray("[S]\r\nK=\"\r\n") << "S"
                                     << "K"
                                     << "\"";
    QTest::newRow("equals inside value") << QByteArray("[S]\r\nK=a=b\r\n") << "S"
                                         << "K"
                                         << "a=b";
    QTest::newRow("first of duplicates") << QByteArray("[S]\r\nK=1\r\nK=2\r\n") << "S"
                                         << "K"
                                         << "1";
    QTest::newRow("section repeated later") << QByteArray("[S]\r\nA=1\r\n[T]\r\n[s]\r\nK=2\r\n") << "S"
                                            << "K"
                                            << "2";
    QTest::newRow("key before any section") << QByteArray("K=0\r\n[S]\r\n") << "S"
                                            << "K"
                                            << "";
    QTest::newRow("comment is not a key") << QByteArray("[S]\r\n;K=1\r\n") << "S"
                                          << ";K"
                                          << "";
    QTest::newRow("blank header") << QByteArray("  [ S ]  \r\nK=1\r\n") << "S"
                                  << "K"
                                  << "1";
    QTest::newRow("lf only") << QByteArray("[S]\nA=1\nK=2\n") << "S"
                             << "K"
                             << "2";
    QTest::newRow("empty value") << QByteArray("[S]\r\nK=\r\n") << "S"
                                 << "K"
                                 << "";
    QTest::newRow("cut to 254") << "[S]\r\nK=" + QByteArray(300, 'z') + "\r\n"
                                << "S"
                                << "K" << QString(254, u'z');
    QTest::newRow("no half surrogate") << "[S]\r\nK=" + QByteArray(253, 'z') + "\xF0\x9F\x98\x80\r\n"
                                       << "S"
                                       << "K" << QString(253, u'z');
}

void TestSettingsFiles::iniRead()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, expected);
    writeBytes(path("r.ini"), file);
    QCOMPARE(GetIniValue(section, key, path("r.ini")), expected);
}

void TestSettingsFiles::iniReadMissingFile()
{
    QCOMPARE(GetIniValue("S", "K", path("none.ini")), QString());
    QCOMPARE(GetIniValue("S", "K", dir()), QString());
}

void TestSettingsFiles::iniWrite_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("after");

    const QByteArray edited = "; kept\r\n[A]\r\nx=1\r\nK = old\r\ny=2\r\n\r\n[B]\r\nz=3\r\n";
    QTest::newRow("in place") << edited << "a"
                              << "k"
                              << "new"
                              << QByteArray("; kept\r\n[A]\r\nx=1\r\nK=new\r\ny=2\r\n\r\n[B]\r\nz=3\r\n");
    QTest::newRow("missing key at end of its section")
        << edited << "A"
        << "N"
        << "v" << QByteArray("; kept\r\n[A]\r\nx=1\r\nK = old\r\ny=2\r\nN=v\r\n\r\n[B]\r\nz=3\r\n");
    QTest::newRow("missing key in last section")
        << edited << "B"
        << "N"
        << "v" << QByteArray("; kept\r\n[A]\r\nx=1\r\nK = old\r\ny=2\r\n\r\n[B]\r\nz=3\r\nN=v\r\n");
    QTest::newRow("missing section at end") << edited << "C"
                                            << "N"
                                            << "v" << edited + "\r\n[C]\r\nN=v\r\n";
    QTest::newRow("empty section header only") << QByteArray("[A]\r\n") << "A"
                                               << "N"
                                               << "v" << QByteArray("[A]\r\nN=v\r\n");
    QTest::newRow("new file") << QByteArray() << "S"
                              << "K"
                              << "v" << QByteArray("[S]\r\nK=v\r\n");
    QTest::newRow("lf file rewritten with crlf") << QByteArray("[S]\nK=1\n") << "S"
                                                 << "K"
                                                 << "2" << QByteArray("[S]\r\nK=2\r\n");
    QTest::newRow("line breaks in value cannot inject lines")
        << QByteArray("[S]\r\nK=1\r\n") << "S"
        << "K"
        << "a\r\n[X]\ny=1" << QByteArray("[S]\r\nK=a  [X] y=1\r\n");
    // Reading drops blanks at either end and one pair of enclosing quotes:
    // values that would lose something that way are written inside quotes.
    QTest::newRow("one blank") << QByteArray() << "S"
                               << "K"
                               << " " << QByteArray("[S]\r\nK=\" \"\r\n");
    QTest::newRow("one tab") << QByteArray() << "S"
                             << "K"
                             << "\t" << QByteArray("[S]\r\nK=\"\t\"\r\n");
    QTest::newRow("leading blank") << QByteArray("[S]\r\nK=1\r\n") << "S"
                                   << "K"
                                   << " x" << QByteArray("[S]\r\nK=\" x\"\r\n");
    QTest::newRow("trailing blank") << QByteArray() << "S"
                                    << "K"
                                    << "x " << QByteArray("[S]\r\nK=\"x \"\r\n");
    QTest::newRow("enclosed in single quotes") << QByteArray() << "S"
                                               << "K"
                                               << "'[^']*'" << QByteArray("[S]\r\nK=\"'[^']*'\"\r\n");
    QTest::newRow("enclosed in double quotes") << QByteArray() << "S"
                                               << "K"
                                               << "\"x\"" << QByteArray("[S]\r\nK=\"\"x\"\"\r\n");
}

void TestSettingsFiles::iniWrite()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QByteArray, after);
    const QString file = path("w.ini");
    if (!before.isEmpty())
        writeBytes(file, before);
    QVERIFY(PutIniValue(section, key, value, file));
    QCOMPARE(readBytes(file), after);
    // What was written reads back as it was, line breaks apart.
    if (!value.contains(u'\r') && !value.contains(u'\n'))
        QCOMPARE(GetIniValue(section, key, file), value);
}

void TestSettingsFiles::iniWriteRefusesUnreadableExistingFile()
{
    // A folder where the file should be: neither read nor replaced.
    QVERIFY(QDir(dir()).mkpath("links.ini"));
    QVERIFY(!PutIniValue("S", "K", "v", path("links.ini")));
    QVERIFY(QFileInfo(path("links.ini")).isDir());
}

void TestSettingsFiles::snapshotKeepsTheValuesItWasTakenWith()
{
    // A page's analysis reads one snapshot; an edit made meanwhile must not
    // reach it halfway through.
    Settings s;
    const SettingsSnapshot before = s.snapshot();
    s.setText(Key::TitleRegEx2, "([a-z]+)");
    s.setSelected(Key::TitleCaps3, true);
    s.setFlag(Key::UseRecip, FlagState::Greyed);
    QCOMPARE(before.text(Key::TitleRegEx2), QStringLiteral("(.*)"));
    QVERIFY(before.isSelected(Key::TitleCaps1));
    QCOMPARE(before.flag(Key::UseRecip), FlagState::Off);
    const SettingsSnapshot after = s.snapshot();
    QCOMPARE(after.text(Key::TitleRegEx2), QStringLiteral("([a-z]+)"));
    QCOMPARE(after.choice(Groups::TitleCase), std::optional(CaseMode::Lower));
    QCOMPARE(after.flag(Key::UseRecip), FlagState::Greyed);
    QVERIFY(!after.isOn(Key::UseRecip));
}

void TestSettingsFiles::saveThenLoadGivesEveryFieldBack()
{
    Settings saved;
    const auto fields = settingsFields();
    // Every field away from its initial value: texts unique (254 characters
    // for one, blanks at the ends or enclosing quotes for a few), the last
    // member of every group selected, flags on or greyed.
    const QStringList awkward{" ", "\t", " x", "x ", "'[^']*'", "\"x\""};
    int awkwardUsed = 0;
    for (int i = 0; i < FieldCount; ++i) {
        const QString key = QString::fromLatin1(fields[i].key);
        switch (fields[i].kind) {
        case FieldKind::Text:
            if (i == 5)
                saved.setText(keyNamed(key), QString(254, u'\u00E9'));
            else if (i > 5 && awkwardUsed < awkward.size())
                saved.setText(keyNamed(key), awkward[awkwardUsed++]);
            else
                saved.setText(keyNamed(key), QStringLiteral("v%1 = \"x\" [y] ;z").arg(i));
            break;
        case FieldKind::Choice:
            saved.setSelected(keyNamed(key), true);
            break;
        case FieldKind::Flag:
            saved.setFlag(keyNamed(key), i % 2 ? FlagState::On : FlagState::Greyed);
            break;
        }
    }
    QCOMPARE(awkwardUsed, awkward.size());
    QVERIFY(SaveSettings(saved, path("links.ini")).ok);

    Settings loaded;
    LoadSettings(loaded, path("links.ini"));
    QCOMPARE(rawValues(loaded), rawValues(saved));
}

void TestSettingsFiles::freshSaveMatchesShippedDefaults()
{
    Settings fresh;
    fresh.setText(Key::BadWordsFile, "badwords.txt");
    fresh.setText(Key::BadDomainsFile, "baddomains.txt");
    const SaveOutcome outcome = SaveSettings(fresh, path("links.ini"));
    QVERIFY(outcome.ok);
    QCOMPARE(outcome.path, path("links.ini"));

    const QByteArray written = readBytes(path("links.ini"));
    QStringList sections;
    for (const QByteArray& line : written.split('\n'))
        if (line.startsWith('['))
            sections.append(QString::fromLatin1(line.trimmed()));
    QCOMPARE(sections, (QStringList{"[Test]", "[Title]", "[Email]", "[Description]", "[BadWords]",
                                    "[BadDomains]", "[Output]", "[Recip]", "[ServerHeaders]"}));

    const QString shipped = qEnvironmentVariable("QM_TEST_SOURCE_DIR") + "/data/links.ini";
    QCOMPARE(written, readBytes(shipped));

    // The shipped file gives back the initial record.
    Settings loaded;
    loaded.resetToInitial();
    LoadSettings(loaded, shipped);
    QCOMPARE(rawValues(loaded), rawValues(fresh));
}

void TestSettingsFiles::load_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("expected"); // key=raw value after loading into an initial record

    QTest::newRow("300 characters cut to 254") << "[Test]\r\nTestURL=" + QByteArray(300, 'u') + "\r\n"
                                               << QStringList{"TestURL=" + QString(254, u'u')};
    QTest::newRow("one blank loads as empty")
        << QByteArray("[Title]\r\nTitleReplace3= \r\n") << QStringList{"TitleReplace3="};
    QTest::newRow("last True wins") << QByteArray("[Title]\r\nTitleCaps2=True\r\nTitleCaps3=True\r\n")
                                    << QStringList{"TitleCaps1=0", "TitleCaps2=0", "TitleCaps3=1",
                                                   "TitleCaps4=0"};
    QTest::newRow("all False leaves none selected")
        << QByteArray(
               "[Title]\r\nTitleCaps1=False\r\nTitleCaps2=False\r\nTitleCaps3=False\r\nTitleCaps4=False\r\n")
        << QStringList{"TitleCaps1=0", "TitleCaps2=0", "TitleCaps3=0", "TitleCaps4=0"};
    QTest::newRow("minus one is true") << QByteArray("[Email]\r\nEmailOption2=-1\r\n")
                                       << QStringList{"EmailOption1=0", "EmailOption2=1", "EmailOption3=0"};
    QTest::newRow("booleans in any case, numbers")
        << QByteArray("[Email]\r\nEmailCaps1=fALSE\r\nEmailCaps4=tRuE\r\n"
                      "[Description]\r\nDescriptionCaps3=2.5\r\nDescriptionNoTitle2=0.0\r\n")
        << QStringList{"EmailCaps1=0", "EmailCaps4=1", "DescriptionCaps1=0", "DescriptionCaps3=1",
                       "DescriptionNoTitle2=0"};
    QTest::newRow("unreadable choices keep their state")
        << QByteArray("[Title]\r\nTitleCaps1=yes\r\nTitleCaps2=\r\nTitleNoTitle1=1x\r\n")
        << QStringList{"TitleCaps1=1", "TitleCaps2=0", "TitleNoTitle1=0", "TitleNoTitle2=1"};
    QTest::newRow("flag word keeps, 1 sets")
        << QByteArray("[Recip]\r\nUseRecip=on\r\n[ServerHeaders]\r\nContentTypeCheck=0\r\n")
        << QStringList{"UseRecip=0", "ContentTypeCheck=0"};
    QTest::newRow("flag values") << QByteArray("[Recip]\r\nUseRecip=1\r\n[Title]\r\nTitleReplace1=2\r\n"
                                               "[Email]\r\nEmailReplace1=3\r\n")
                                 << QStringList{"UseRecip=1", "TitleReplace1=2", "EmailReplace1=0"};
    QTest::newRow("quoted and padded text") << QByteArray("[Output]\r\nOutputASCIIDelimeter= ' | ' \r\n")
                                            << QStringList{"OutputASCIIDelimeter= | "};
    QTest::newRow("missing key empties the text")
        << QByteArray("[Output]\r\nOutputASCIIFile=db.txt\r\n")
        << QStringList{"OutputASCIIFile=db.txt", "OutputASCIIDelimeter=", "Reciptext="};
}

void TestSettingsFiles::load()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, expected);
    writeBytes(path("links.ini"), file);
    Settings s;
    LoadSettings(s, path("links.ini"));
    const QStringList values = rawValues(s);
    for (const QString& e : expected) {
        const QString key = e.section(u'=', 0, 0);
        QCOMPARE(values.value(int(keyNamed(key))), e);
    }
}

void TestSettingsFiles::loadWithoutFileEmptiesTextsOnly()
{
    Settings s;
    s.setSelected(Key::TitleNoTitle3, true);
    s.setFlag(Key::UseRecip, FlagState::On);
    QStringList before = rawValues(s);
    LoadSettings(s, path("absent.ini"));
    for (int i = 0; i < FieldCount; ++i) {
        const SettingsField& f = settingsFields()[i];
        if (f.kind == FieldKind::Text)
            QVERIFY2(s.snapshot().rawValue(Key(i)).isEmpty(), f.key);
        else
            QCOMPARE(rawValues(s)[i], before[i]);
    }
}

void TestSettingsFiles::saveKeepsHandEditedLines()
{
    const QByteArray edited = "; Quillmark settings, edited by hand\r\n"
                              "[title]\r\n"
                              "titleregex1 = <h1>\r\n"
                              "MyOwnKey=keep me\r\n"
                              "\r\n"
                              "[Extra]\r\n"
                              "something=else\r\n"
                              "no equals sign here\r\n";
    writeBytes(path("links.ini"), edited);
    Settings s;
    QVERIFY(SaveSettings(s, path("links.ini")).ok);
    const QStringList lines = QString::fromUtf8(readBytes(path("links.ini"))).split("\r\n");

    // Our value changed in place under the file's spelling; the rest of the
    // section follows it, then the untouched lines, then the new sections.
    QCOMPARE(lines.mid(0, 4), (QStringList{"; Quillmark settings, edited by hand", "[title]",
                                           "titleregex1=<title>", "MyOwnKey=keep me"}));
    QCOMPARE(lines.at(4), QStringLiteral("TitleRegEx2=(.*)"));
    const qsizetype extra = lines.indexOf("[Extra]");
    QVERIFY(extra > 0);
    QCOMPARE(lines.mid(extra - 1, 4), (QStringList{"", "[Extra]", "something=else", "no equals sign here"}));
    QVERIFY(lines.indexOf("[Test]") > extra);
    QCOMPARE(lines.count("[Title]") + lines.count("[title]"), 1);

    Settings loaded;
    LoadSettings(loaded, path("links.ini"));
    QCOMPARE(rawValues(loaded), rawValues(s));
}

void TestSettingsFiles::failedSaveKeepsOldFile()
{
    const QByteArray old = "[Test]\r\nTestURL=http://old.example/\r\n";
    writeBytes(path("links.ini"), old);
    Settings s;
    SaveOutcome outcome;
    {
#ifdef Q_OS_UNIX
        FileSizeLimit limit(old.size() + 16);
#else
        QSKIP("needs a file size limit");
#endif
        outcome = SaveSettings(s, path("links.ini"));
    }
    QVERIFY(!outcome.ok);
    QVERIFY(!outcome.error.isEmpty());
    QCOMPARE(readBytes(path("links.ini")), old);

    // A folder in the way of the file name.
    QVERIFY(QDir(dir()).mkpath("sub/links.ini"));
    QVERIFY(!SaveSettings(s, path("sub/links.ini")).ok);
}

void TestSettingsFiles::runPreferences_data()
{
    QTest::addColumn<QByteArray>("file"); // a null array: no file at all
    QTest::addColumn<int>("connections");
    QTest::addColumn<int>("perHost");
    QTest::addColumn<int>("timeout");

    QTest::newRow("no file") << QByteArray() << 6 << 2 << 20;
    QTest::newRow("empty file") << QByteArray("") << 6 << 2 << 20;
    QTest::newRow("both set") << QByteArray("[Run]\r\nConnections=8\r\nConnectionsPerHost=3\r\n") << 8 << 3
                              << 20;
    QTest::newRow("names ignore case, blanks")
        << QByteArray("[run]\r\n connections =  12 \r\nCONNECTIONSPERHOST=1\r\n") << 12 << 1 << 20;
    QTest::newRow("highest") << QByteArray("[Run]\r\nConnections=32\r\nConnectionsPerHost=4\r\n") << 32 << 4
                             << 20;
    QTest::newRow("too high") << QByteArray("[Run]\r\nConnections=33\r\nConnectionsPerHost=5\r\n") << 32 << 4
                              << 20;
    QTest::newRow("zero") << QByteArray("[Run]\r\nConnections=0\r\nConnectionsPerHost=0\r\n") << 1 << 1 << 20;
    QTest::newRow("negative") << QByteArray("[Run]\r\nConnections=-4\r\nConnectionsPerHost=-1\r\n") << 1 << 1
                              << 20;
    QTest::newRow("beyond any int")
        << QByteArray(
               "[Run]\r\nConnections=99999999999999999999\r\nConnectionsPerHost=-99999999999999999999\r\n")
        << 32 << 1 << 20;
    QTest::newRow("plus sign") << QByteArray("[Run]\r\nConnections=+7\r\n") << 7 << 2 << 20;
    QTest::newRow("not numbers") << QByteArray("[Run]\r\nConnections=eight\r\nConnectionsPerHost=2.5\r\n")
                                 << 6 << 2 << 20;
    QTest::newRow("empty values") << QByteArray("[Run]\r\nConnections=\r\nConnectionsPerHost=\r\n") << 6 << 2
                                  << 20;
    QTest::newRow("time-out") << QByteArray("[Run]\r\nTimeout=45\r\n") << 6 << 2 << 45;
    QTest::newRow("time-out too short") << QByteArray("[Run]\r\nTimeout=1\r\n") << 6 << 2 << 2;
    QTest::newRow("time-out too long") << QByteArray("[Run]\r\nTimeout=600\r\n") << 6 << 2 << 120;
    QTest::newRow("time-out not a number") << QByteArray("[Run]\r\nTimeout=10s\r\n") << 6 << 2 << 20;
    QTest::newRow("other section") << QByteArray("[Output]\r\nConnections=9\r\n") << 6 << 2 << 20;
}

// How many runs the run journal keeps: at least one, at most 10000.
void TestSettingsFiles::runPreferencesKeepRuns_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("keepRuns");
    QTest::newRow("missing") << QByteArray("[Run]\r\nConnections=3\r\n") << 50;
    QTest::newRow("set") << QByteArray("[Run]\r\nKeepRuns=7\r\n") << 7;
    QTest::newRow("zero") << QByteArray("[Run]\r\nKeepRuns=0\r\n") << 1;
    QTest::newRow("too many") << QByteArray("[Run]\r\nKeepRuns=123456\r\n") << 10000;
    QTest::newRow("not a number") << QByteArray("[Run]\r\nKeepRuns=all\r\n") << 50;
    QTest::newRow("beside the link-back section")
        << QByteArray("[Run]\r\nKeepRuns=7\r\n[LinkBack]\r\nSites=example.com, https://b.example/x/\r\n") << 7;
}

void TestSettingsFiles::runPreferencesKeepRuns()
{
    QFETCH(QByteArray, file);
    QFETCH(int, keepRuns);
    writeBytes(path("preferences.ini"), file);
    RunPreferences prefs = RunPreferences::load(path("preferences.ini"));
    QCOMPARE(prefs.keepRuns(), keepRuns);
    const QStringList sites = prefs.linkBack().sites();
    // Kept through a save of the connections, and the sites with it.
    prefs.setConnections(4);
    QVERIFY(prefs.save(path("preferences.ini")).ok);
    const RunPreferences saved = RunPreferences::load(path("preferences.ini"));
    QCOMPARE(saved.keepRuns(), keepRuns);
    QCOMPARE(saved.connections(), 4);
    QCOMPARE(saved.linkBack().sites(), sites);
}

void TestSettingsFiles::runPreferences()
{
    QFETCH(QByteArray, file);
    QFETCH(int, connections);
    QFETCH(int, perHost);
    QFETCH(int, timeout);
    if (!file.isNull())
        writeBytes(path("preferences.ini"), file);
    const RunPreferences prefs = RunPreferences::load(path("preferences.ini"));
    QCOMPARE(prefs.connections(), connections);
    QCOMPARE(prefs.connectionsPerHost(), perHost);
    QCOMPARE(prefs.timeoutSeconds(), timeout);
}

void TestSettingsFiles::runPreferencesSaveKeepsHandEdits()
{
    const ProgramFolder folder(dir());
    QCOMPARE(RunPreferences::filePath(folder), path("preferences.ini"));
    writeBytes(path("preferences.ini"), "; how the runs fetch\r\n"
                                        "[run]\r\n"
                                        "connections = 3\r\n"
                                        "Mine=keep\r\n"
                                        "\r\n"
                                        "[Other]\r\n"
                                        "x=1\r\n");
    RunPreferences prefs;
    prefs.setConnections(40);
    prefs.setConnectionsPerHost(3);
    prefs.setTimeoutSeconds(1);
    QVERIFY(prefs.save(RunPreferences::filePath(folder)).ok);
    QCOMPARE(readBytes(path("preferences.ini")), QByteArray("; how the runs fetch\r\n"
                                                            "[run]\r\n"
                                                            "connections=32\r\n"
                                                            "Mine=keep\r\n"
                                                            "ConnectionsPerHost=3\r\n"
                                                            "Timeout=2\r\n"
                                                            "\r\n"
                                                            "[Other]\r\n"
                                                            "x=1\r\n"));
    // links.ini is not touched by the run preferences.
    QVERIFY(!QFile::exists(path("links.ini")));
}

void TestSettingsFiles::programFolderPrefersWritableExecutableFolder()
{
    const ProgramFolder folder = ProgramFolder::resolve(dir(), path("fallback"));
    QCOMPARE(folder.path(), dir());
    QVERIFY(!QFileInfo::exists(path("fallback")));
    QCOMPARE(folder.settingsFile(), dir() + "/links.ini");
    QCOMPARE(folder.filePath("sub/db.txt"), dir() + "/sub/db.txt");
}

void TestSettingsFiles::programFolderOfInstalledCopy_data()
{
    QTest::addColumn<QString>("shareFolder");
    QTest::addColumn<bool>("installed");

    QTest::newRow("installed copy, its bin folder writable") << "usr/share/quillmark" << true;
    QTest::newRow("a share folder of other programs only") << "usr/share/other" << false;
}

void TestSettingsFiles::programFolderOfInstalledCopy()
{
    QFETCH(QString, shareFolder);
    QFETCH(bool, installed);
    QVERIFY(QDir().mkpath(path("usr/bin")));
    QVERIFY(QDir().mkpath(path(shareFolder + "/images")));
    writeBytes(path(shareFolder + "/links.ini"), "[Test]\r\nTestURL=http://installed.example/\r\n");
    writeBytes(path(shareFolder + "/images/back.bmp"), "BM-back");
    writeBytes(path(shareFolder + "/start.html"), "<html></html>");

    const QString data = path("home/.local/share/Quillmark");
    const ProgramFolder folder = ProgramFolder::resolve(path("usr/bin"), data);
    if (!installed) {
        QCOMPARE(folder.path(), path("usr/bin"));
        QVERIFY(!QFileInfo::exists(data));
        return;
    }
    QCOMPARE(folder.path(), data);
    QVERIFY(!QFileInfo::exists(path("usr/bin/links.ini")));
    QCOMPARE(readBytes(data + "/links.ini"), QByteArray("[Test]\r\nTestURL=http://installed.example/\r\n"));
    QVERIFY(QFileInfo(data + "/links.ini").isWritable());
    QCOMPARE(readBytes(data + "/images/back.bmp"), QByteArray("BM-back"));
    QCOMPARE(readBytes(data + "/start.html"), QByteArray("<html></html>"));
    // The files the install does not have come from the copies built in.
    QCOMPARE(readBytes(data + "/headers.txt"),
             readBytes(qEnvironmentVariable("QM_TEST_SOURCE_DIR") + "/data/headers.txt"));
}

void TestSettingsFiles::programFolderFallsBackAndSeedsOnce()
{
    // A preferred folder below a plain file can never be written, even by root.
    writeBytes(path("file"), "x");
    const QString fallback = path("data/Quillmark");
    const ProgramFolder folder = ProgramFolder::resolve(path("file/bin"), fallback);
    QCOMPARE(folder.path(), fallback);

    const QString source = qEnvironmentVariable("QM_TEST_SOURCE_DIR") + "/data/";
    for (const QString& name : ProgramFolder::defaultFileNames()) {
        QVERIFY2(QFileInfo(folder.filePath(name)).isWritable(), qPrintable(name));
        QCOMPARE(readBytes(folder.filePath(name)), readBytes(source + name));
    }
    Settings s;
    LoadSettings(s, folder.settingsFile());
    QCOMPARE(s.text(Key::BadWordsFile), QStringLiteral("badwords.txt"));

    // A default file the user removed later is not brought back.
    QVERIFY(QFile::remove(folder.settingsFile()));
    QCOMPARE(ProgramFolder::resolve(path("file/bin"), fallback).path(), fallback);
    QVERIFY(!QFileInfo::exists(folder.settingsFile()));
}

void TestSettingsFiles::programFolderFallbackBringsThePictures()
{
    // An installed copy reads its pictures and start page from the data folder:
    // missing ones are copied there, ones already there are left alone.
    QVERIFY(QDir().mkpath(path("install/images")));
    QVERIFY(QDir().mkpath(path("data/images")));
    writeBytes(path("install/images/back.bmp"), "BM-back");
    writeBytes(path("install/images/home.bmp"), "BM-home");
    writeBytes(path("install/start.html"), "<html></html>");
    writeBytes(path("data/images/home.bmp"), "BM-user");
    ProgramFolder::copyProgramAssets(path("install"), path("data"));
    QCOMPARE(readBytes(path("data/images/back.bmp")), QByteArray("BM-back"));
    QCOMPARE(readBytes(path("data/images/home.bmp")), QByteArray("BM-user"));
    QCOMPARE(readBytes(path("data/start.html")), QByteArray("<html></html>"));

    // No pictures to copy: nothing happens and nothing fails.
    ProgramFolder::copyProgramAssets(path("nowhere"), path("data2"));
    QVERIFY(!QFileInfo::exists(path("data2/images")));
}

void TestSettingsFiles::emptyNameGivesTheFolderWhichNoLoadOpens()
{
    const ProgramFolder folder(dir());
    QCOMPARE(folder.filePath(QString()), dir() + "/");
    QVERIFY(!TextFile::read(folder.filePath(QString())).has_value());
}

QTEST_GUILESS_MAIN(TestSettingsFiles)
#include "tst_settings.moc"
