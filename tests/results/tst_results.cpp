#include "TestFiles.h"
#include "results/AsciiDatabase.h"
#include "results/ResultsColumnWidths.h"
#include "results/ResultsTable.h"
#include "settings/ProgramFolder.h"
#include "settings/Settings.h"

#include <QAbstractItemModelTester>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <optional>

namespace {

const QString D = QStringLiteral("|[@]|");

// The data rows, each as its five cells joined by " / ", for readable comparisons.
QStringList dataRows(const ResultsTable& t)
{
    QStringList rows;
    for (int r = 1; r < t.tableRowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < t.columnCount(); ++c)
            cells.append(t.cell(r, c));
        rows.append(cells.join(" / "));
    }
    return rows;
}

QStringList headerRow(const ResultsTable& t)
{
    QStringList cells;
    for (int c = 0; c < t.columnCount(); ++c)
        cells.append(t.cell(0, c));
    return cells;
}

// What the batch run does for each accepted page.
void addAccepted(ResultsTable& t, int count, const QString& url, const QString& title)
{
    t.insertTableRow(count);
    t.setCell(count, 0, QString::number(count));
    t.setCell(count, 4, url);
    t.setCell(count, 1, title);
    t.setCell(count, 2, "info@" + url.section('/', 2, 2));
    t.setCell(count, 3, "about " + title);
}

void fillLikeARun(ResultsTable& t)
{
    t.resetForRun();
    addAccepted(t, 1, "http://a.example/", "A");
    addAccepted(t, 2, "http://b.example/x", "B");
    addAccepted(t, 3, "http://c.example/", "C");
}

} // namespace

class TestResults : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_tmp.emplace();
        QVERIFY(m_tmp->isValid());
    }

    void startsWithHeaderAndOneEmptyRow();
    void runLeavesTrailingEmptyRow();
    void resetForRunAfterALoadWithoutDataRows();
    void removeRow_data();
    void removeRow();
    void onlyDataCellsAreEditable();
    void modelStaysConsistent();

    void saveStartTable();
    void runRoundTrip_data();
    void runRoundTrip();
    void load_data();
    void load();
    void overlongLineSavesBackExactly();
    void failedLoadLeavesTable_data();
    void failedLoadLeavesTable();
    void failedSaveKeepsOldFile();
    void settingsNameTheFileAndDelimiter();

    void columnWidthsRoundHalfToEven_data();
    void columnWidthsRoundHalfToEven();

private:
    QString path(const QString& name) const { return m_tmp->filePath(name); }
    std::optional<QTemporaryDir> m_tmp;
};

void TestResults::startsWithHeaderAndOneEmptyRow()
{
    ResultsTable t;
    QCOMPARE(t.tableRowCount(), 2);
    QCOMPARE(t.columnCount(), 5);
    QCOMPARE(headerRow(t), (QStringList{"#", "Title", "Email", "Description", "URL"}));
    QCOMPARE(dataRows(t), QStringList{" /  /  /  / "});
    QCOMPARE(t.rowCount(), 1);
    QCOMPARE(t.headerData(3, Qt::Horizontal).toString(), QStringLiteral("Description"));
}

void TestResults::runLeavesTrailingEmptyRow()
{
    ResultsTable t;
    t.insertTableRow(1);
    t.setCell(1, 1, "left over from an earlier run");
    t.setCell(0, 1, "renamed header");
    fillLikeARun(t);
    QCOMPARE(headerRow(t), (QStringList{"#", "Title", "Email", "Description", "URL"}));
    QCOMPARE(dataRows(t),
             (QStringList{"1 / A / info@a.example / about A / http://a.example/",
                          "2 / B / info@b.example / about B / http://b.example/x",
                          "3 / C / info@c.example / about C / http://c.example/", " /  /  /  / "}));
}

void TestResults::resetForRunAfterALoadWithoutDataRows()
{
    writeBytes(path("empty.txt"), "");
    ResultsTable t;
    QVERIFY(LoadResults(t, path("empty.txt"), D));
    QCOMPARE(t.tableRowCount(), 1);
    t.resetForRun();
    QCOMPARE(t.tableRowCount(), 1);
    addAccepted(t, 1, "http://a.example/", "A");
    QCOMPARE(t.tableRowCount(), 2);
    QCOMPARE(t.cell(1, 0), QStringLiteral("1"));
}

void TestResults::removeRow_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<bool>("editable");
    QTest::addColumn<QStringList>("numbers"); // column 0 of the rows left

    QTest::newRow("row 2, no renumbering") << 2 << true << QStringList{"1", "3", ""};
    QTest::newRow("trailing empty row") << 4 << true << QStringList{"1", "2", "3"};
    QTest::newRow("header refused") << 0 << true << QStringList{"1", "2", "3", ""};
    QTest::newRow("past the end refused") << 5 << true << QStringList{"1", "2", "3", ""};
    QTest::newRow("refused while a run writes") << 2 << false << QStringList{"1", "2", "3", ""};
}

void TestResults::removeRow()
{
    QFETCH(int, row);
    QFETCH(bool, editable);
    QFETCH(QStringList, numbers);
    ResultsTable t;
    fillLikeARun(t);
    t.setUserEditable(editable);
    QCOMPARE(t.removeTableRow(row), numbers.size() < 4);
    QStringList left;
    for (int r = 1; r < t.tableRowCount(); ++r)
        left.append(t.cell(r, 0));
    QCOMPARE(left, numbers);
}

void TestResults::onlyDataCellsAreEditable()
{
    ResultsTable t;
    fillLikeARun(t);
    const QModelIndex number = t.index(0, 0);
    const QModelIndex title = t.index(0, 1);
    QVERIFY(!(t.flags(number) & Qt::ItemIsEditable));
    QVERIFY(!(t.flags(number) & Qt::ItemIsSelectable));
    QVERIFY(!t.setData(number, "9"));
    QCOMPARE(t.cell(1, 0), QStringLiteral("1"));

    QVERIFY(t.flags(title) & Qt::ItemIsEditable);
    QVERIFY(t.setData(title, "Corrected"));
    QCOMPARE(t.cell(1, 1), QStringLiteral("Corrected"));

    t.setUserEditable(false);
    QVERIFY(!(t.flags(title) & Qt::ItemIsEditable));
    QVERIFY(!t.setData(title, "during a run"));
    QCOMPARE(t.cell(1, 1), QStringLiteral("Corrected"));
    // The run itself still writes.
    t.setCell(1, 1, "by the run");
    QCOMPARE(t.data(title).toString(), QStringLiteral("by the run"));

    // With only one data row left, the last one stays.
    ResultsTable fresh;
    QVERIFY(!fresh.removeTableRow(1));
    QCOMPARE(fresh.tableRowCount(), 2);
}

void TestResults::modelStaysConsistent()
{
    ResultsTable t;
    QAbstractItemModelTester tester(&t, QAbstractItemModelTester::FailureReportingMode::QtTest);
    fillLikeARun(t);
    t.removeTableRow(2);
    t.setTableRowCount(1);
    t.appendRow();
    t.appendRow();
    t.clearCells();
    writeBytes(path("db.txt"), "1|[@]|x\r\n2\r\n");
    QVERIFY(LoadResults(t, path("db.txt"), D));
    QCOMPARE(t.rowCount(), 2);
    t.resetForRun();
    QCOMPARE(t.rowCount(), 1);
}

void TestResults::saveStartTable()
{
    ResultsTable t;
    QVERIFY(SaveResults(t, path("database.txt"), D).ok);
    QCOMPARE(readBytes(path("database.txt")), QByteArray("|[@]||[@]||[@]||[@]|\r\n"));
}

void TestResults::runRoundTrip_data()
{
    QTest::addColumn<QString>("delimiter");
    QTest::addColumn<QByteArray>("firstLine");

    QTest::newRow("default delimiter")
        << D << QByteArray("1|[@]|A|[@]|info@a.example|[@]|about A|[@]|http://a.example/");
    QTest::newRow("tab") << "\t" << QByteArray("1\tA\tinfo@a.example\tabout A\thttp://a.example/");
    QTest::newRow("regex characters are literal")
        << ".*" << QByteArray("1.*A.*info@a.example.*about A.*http://a.example/");
}

void TestResults::runRoundTrip()
{
    QFETCH(QString, delimiter);
    QFETCH(QByteArray, firstLine);
    ResultsTable saved;
    fillLikeARun(saved);
    saved.setCell(2, 3, QStringLiteral("caf\u00E9 \u201Cquoted\u201D   "));
    QVERIFY(SaveResults(saved, path("database.txt"), delimiter).ok);

    const QList<QByteArray> lines = readBytes(path("database.txt")).split('\n');
    QCOMPARE(lines.size(), 5); // four rows, then nothing after the last CR LF
    QCOMPARE(lines.first(), firstLine + '\r');
    QCOMPARE(lines.at(3), (delimiter + delimiter + delimiter + delimiter).toUtf8() + '\r');
    QVERIFY(lines.last().isEmpty());

    ResultsTable loaded;
    QVERIFY(LoadResults(loaded, path("database.txt"), delimiter));
    QCOMPARE(headerRow(loaded), headerRow(saved));
    QCOMPARE(dataRows(loaded), dataRows(saved));
}

void TestResults::load_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("delimiter");
    QTest::addColumn<QStringList>("rows");

    QTest::newRow("three fields") << QByteArray("7|[@]|T|[@]|e@x.example\r\n") << D
                                  << QStringList{"7 / T / e@x.example /  / "};
    QTest::newRow("empty lines give no rows")
        << QByteArray("\r\n1\r\n\r\n\r\n2\r\n\r\n") << D << QStringList{"1 /  /  /  / ", "2 /  /  /  / "};
    QTest::newRow("a line of blanks is a row") << QByteArray("  \r\n") << D << QStringList{"   /  /  /  / "};
    QTest::newRow("empty file") << QByteArray() << D << QStringList{};
    QTest::newRow("lf line ends, last line unended")
        << QByteArray("1|[@]|a\n2|[@]|b") << D << QStringList{"1 / a /  /  / ", "2 / b /  /  / "};
    QTest::newRow("more than five fields: rest goes to URL, load goes on")
        << QByteArray("1|[@]|T|[@]|E|[@]|D|[@]|http://x/?a|[@]|b|[@]|c\r\n2|[@]|U\r\n") << D
        << QStringList{"1 / T / E / D / http://x/?a|[@]|b|[@]|c", "2 / U /  /  / "};
    QTest::newRow("delimiter at the end")
        << QByteArray("1|[@]||[@]||[@]||[@]||[@]|\r\n") << D << QStringList{"1 /  /  /  / |[@]|"};
    QTest::newRow("other delimiter: one field")
        << QByteArray("1;T;E;D;U\r\n") << D << QStringList{"1;T;E;D;U /  /  /  / "};
    QTest::newRow("empty delimiter: one field")
        << QByteArray("1|[@]|T\r\n") << QString() << QStringList{"1|[@]|T /  /  /  / "};
    QTest::newRow("delimiter compared exactly")
        << QByteArray("1|[@]|T|[@]|E\r\n") << "|[@]|T" << QStringList{"1 / |[@]|E /  /  / "};
    QTest::newRow("delimiter compared with letter case")
        << QByteArray("1<x>T<X>E\r\n") << "<x>" << QStringList{"1 / T<X>E /  /  / "};
    QTest::newRow("overlapping delimiter") << QByteArray("a---b") << "--" << QStringList{"a / -b /  /  / "};
    QTest::newRow("windows-1252 file")
        << QByteArray("1|[@]|caf\xE9\r\n") << D << QStringList{QStringLiteral("1 / caf\u00E9 /  /  / ")};
}

void TestResults::load()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, delimiter);
    QFETCH(QStringList, rows);
    writeBytes(path("database.txt"), file);
    ResultsTable t;
    fillLikeARun(t);
    t.setCell(0, 2, "changed header");
    QVERIFY(LoadResults(t, path("database.txt"), delimiter));
    QCOMPARE(headerRow(t), (QStringList{"#", "Title", "Email", "Description", "URL"}));
    QCOMPARE(dataRows(t), rows);
}

void TestResults::overlongLineSavesBackExactly()
{
    const QByteArray file = "1|[@]|T|[@]|E|[@]|D|[@]|http://x/|[@]|more|[@]|\r\n"
                            "|[@]||[@]||[@]||[@]|\r\n";
    writeBytes(path("in.txt"), file);
    ResultsTable t;
    QVERIFY(LoadResults(t, path("in.txt"), D));
    QCOMPARE(t.tableRowCount(), 3);
    QVERIFY(SaveResults(t, path("out.txt"), D).ok);
    QCOMPARE(readBytes(path("out.txt")), file);
}

void TestResults::failedLoadLeavesTable_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("missing file") << "absent.txt";
    QTest::newRow("empty file name names the folder") << "";
}

void TestResults::failedLoadLeavesTable()
{
    QFETCH(QString, name);
    ResultsTable t;
    fillLikeARun(t);
    const QStringList before = dataRows(t);
    QVERIFY(!LoadResults(t, ProgramFolder(m_tmp->path()).filePath(name), D));
    QCOMPARE(dataRows(t), before);
}

void TestResults::failedSaveKeepsOldFile()
{
    ResultsTable t;
    fillLikeARun(t);
    const QByteArray old = "1|[@]|old|[@]||[@]||[@]|http://old.example/\r\n";
    writeBytes(path("database.txt"), old);
    SaveOutcome full;
    {
#ifdef Q_OS_UNIX
        FileSizeLimit limit(old.size());
#else
        QSKIP("needs a file size limit");
#endif
        full = SaveResults(t, path("database.txt"), D);
    }
    QVERIFY(!full.ok);
    QVERIFY(!full.error.isEmpty());
    QCOMPARE(readBytes(path("database.txt")), old);

    // An empty OutputASCIIFile names the folder itself.
    const SaveOutcome folder = SaveResults(t, ProgramFolder(m_tmp->path()).filePath(QString()), D);
    QVERIFY(!folder.ok);
    QVERIFY(folder.message().startsWith("Cannot save "));
    QCOMPARE(QDir(m_tmp->path()).entryList(QDir::Files), QStringList{"database.txt"});
}

void TestResults::settingsNameTheFileAndDelimiter()
{
    QVERIFY(QDir(m_tmp->path()).mkpath("out"));
    const ProgramFolder folder(m_tmp->path());
    Settings settings;
    settings.setText(Key::OutputASCIIFile, "out/results.txt");
    settings.setText(Key::OutputASCIIDelimeter, ";");
    ResultsTable t;
    fillLikeARun(t);
    const SaveOutcome outcome = SaveResults(t, settings.snapshot(), folder);
    QVERIFY(outcome.ok);
    QCOMPARE(outcome.path, m_tmp->path() + "/out/results.txt");
    QVERIFY(readBytes(outcome.path).startsWith("1;A;info@a.example;about A;http://a.example/\r\n"));

    ResultsTable loaded;
    QVERIFY(LoadResults(loaded, settings.snapshot(), folder));
    QCOMPARE(dataRows(loaded), dataRows(t));
}

void TestResults::columnWidthsRoundHalfToEven_data()
{
    QTest::addColumn<int>("tableWidth");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("other");

    QTest::newRow("worked example") << 11835 << 462 << 2876;
    QTest::newRow("19.5 and 121.5 go up to even") << 500 << 20 << 122;
    QTest::newRow("58.5 and 364.5 go down to even") << 1500 << 58 << 364;
    QTest::newRow("just above a half") << 501 << 20 << 122; // 19.539, 121.743
    QTest::newRow("just below a half") << 499 << 19 << 121; // 19.461, 121.257
    QTest::newRow("empty table") << 0 << 0 << 0;
}

void TestResults::columnWidthsRoundHalfToEven()
{
    QFETCH(int, tableWidth);
    QFETCH(int, first);
    QFETCH(int, other);

    const auto widths = ResultsColumnWidths::forTableWidth(tableWidth);
    QCOMPARE(widths[0], first);
    for (int c = 1; c < ResultsTable::Columns; ++c)
        QCOMPARE(widths[c], other);
}

QTEST_GUILESS_MAIN(TestResults)
#include "tst_results.moc"
