#include "CalcReader.h"
#include "XlsxProbe.h"
#include "results/ResultsTable.h"
#include "results/SpreadsheetExporter.h"
#include "results/WorkbookWriter.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using Grid = QList<QStringList>;

namespace {

constexpr int WaitMs = 60000;

Grid textsOf(const QList<QList<XlsxProbe::Cell>>& cells)
{
    Grid grid;
    for (const auto& row : cells) {
        QStringList texts;
        for (const auto& cell : row)
            texts.append(cell.text);
        grid.append(texts);
    }
    return grid;
}

// What the sheet must hold: every table text followed by one space.
Grid expectedSheet(const ResultsTable& table, int rows, int columns)
{
    Grid grid;
    for (int r = 0; r < rows; ++r) {
        QStringList texts;
        for (int k = 0; k < columns; ++k)
            texts.append(table.cell(r, k) + QLatin1Char(' '));
        grid.append(texts);
    }
    return grid;
}

// The table as a batch run leaves it: header, the accepted rows numbered from
// 1, and the empty row that stays at the bottom.
void fillAsAfterRun(ResultsTable& table, const Grid& accepted)
{
    table.resetForRun();
    for (int i = 0; i < accepted.size(); ++i) {
        table.insertTableRow(i + 1);
        table.setCell(i + 1, 0, QString::number(i + 1));
        for (int k = 0; k < accepted[i].size(); ++k)
            table.setCell(i + 1, k + 1, accepted[i][k]);
    }
}

// A stand-in for a spreadsheet application: it only notes its name and
// arguments, in a log that appears whole at once. With `append` the log keeps
// the notes of earlier starts before them.
void writeFakeProgram(const QString& folder, const QString& name, const QString& log, bool append = false)
{
    QFile script(QDir(folder).filePath(name));
    QVERIFY(script.open(QIODevice::WriteOnly));
    const QString earlier = append ? QStringLiteral("cat '%1' 2>/dev/null; ").arg(log) : QString();
    script.write(QStringLiteral("#!/bin/sh\n{ %1printf '%s\\n' \"$(basename \"$0\")\" \"$@\"; } > '%2.part'\n"
                                "mv '%2.part' '%2'\n")
                     .arg(earlier, log)
                     .toUtf8());
    script.close();
    QVERIFY(script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
}

QStringList readLines(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

} // namespace

class ExportTest : public QObject
{
    Q_OBJECT

private slots:
    void blockCoversTable_data();
    void blockCoversTable();
    void cellsStayText_data();
    void cellsStayText();
    void sheetName_data();
    void sheetName();
    void duplicateHeadersStayReadable();
    void overlongHeaderLeavesPlainCells();
    void columnWidthsFitLongestText();
    void overlongCellIsCut();
    void workbookNames();
    void exporterOpensWorkbook_data();
    void exporterOpensWorkbook();
    void noApplicationKeepsWorkbook();
    void exportUsesCellsAtTheCall();
    void writeFailureIsReported();
    void destroyedWhileWriting();
    void readBackInLibreOffice(); // last: one conversion for the workbooks of all tests above

private:
    WorkbookResult write(const ResultsTable& table, int rows, int columns, int gridStyle = 1,
                         const QString& sheetName = QString());

    struct Expectation
    {
        QString name;
        QString file;
        Grid sheet;
    };
    QTemporaryDir m_dir;
    QList<Expectation> m_calc;
};

WorkbookResult ExportTest::write(const ResultsTable& table, int rows, int columns, int gridStyle,
                                 const QString& sheetName)
{
    const QString folder = m_dir.filePath(QString::number(m_calc.size()) + QLatin1Char('-') +
                                          QString::fromLatin1(QTest::currentTestFunction()));
    QDir().mkpath(folder);
    return SpreadsheetExporter::writeWorkbook(table, rows, columns, gridStyle, sheetName, folder);
}

void ExportTest::blockCoversTable_data()
{
    QTest::addColumn<Grid>("accepted"); // title, email, description, url per accepted page
    QTest::addColumn<int>("rows");      // TheRows; -1: the table's row count
    QTest::addColumn<int>("columns");
    QTest::addColumn<int>("sheetRows");
    QTest::addColumn<QString>("tableRange");

    QTest::newRow("start-up table") << Grid() << -1 << 5 << 2 << "A1:E2";
    const Grid three{{"Alpha links", "info@alpha.example", "All about alpha", "http://alpha.example/"},
                     {"Beta", "", "", "http://beta.example/links.html"},
                     {"Gamma", "web@gamma.example", "Gamma's page", "http://gamma.example/"}};
    QTest::newRow("three accepted pages") << three << -1 << 5 << 5 << "A1:E5";
    QTest::newRow("fewer rows than the table") << three << 3 << 5 << 3 << "A1:E3";
    QTest::newRow("more rows than the table") << three << 40 << 5 << 5 << "A1:E5";
    QTest::newRow("three columns") << three << -1 << 3 << 5 << "A1:C5";
    // A table needs a row under its header: an empty one, as in Excel.
    QTest::newRow("header row only") << three << 1 << 5 << 1 << "A1:E2";
    QTest::newRow("nothing") << three << 0 << 5 << 0 << "";
}

void ExportTest::blockCoversTable()
{
    QFETCH(Grid, accepted);
    QFETCH(int, rows);
    QFETCH(int, columns);
    QFETCH(int, sheetRows);
    QFETCH(QString, tableRange);

    ResultsTable table;
    if (!accepted.isEmpty())
        fillAsAfterRun(table, accepted);
    if (rows < 0)
        rows = table.tableRowCount();

    const WorkbookResult result = write(table, rows, columns);
    QVERIFY2(result.saved.ok, qPrintable(result.saved.message()));
    QVERIFY(QFileInfo(result.saved.path).size() > 0);

    const XlsxProbe probe(result.saved.path);
    QVERIFY(probe.isValid());
    const Grid expected = expectedSheet(table, sheetRows, columns);
    QCOMPARE(textsOf(probe.cells()), expected);
    QCOMPARE(result.tableRange, tableRange);
    QCOMPARE(probe.table().ref, tableRange);
    if (!tableRange.isEmpty()) {
        QCOMPARE(probe.table().style, QStringLiteral("TableStyleLight9"));
        QCOMPARE(probe.table().columnNames, expected.value(0));
    }
    m_calc.append({QString::fromLatin1(QTest::currentDataTag()), result.saved.path, expected});
}

void ExportTest::cellsStayText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown"); // the cell in the sheet, without its trailing space
    const auto same = [](const char* tag, const QString& text) { QTest::newRow(tag) << text << text; };
    same("row number 12", "12");
    same("formula", "=1+1");
    same("leading zeros", "0012");
    same("exponent", "1e5");
    same("fraction or date", "3/4");
    same("boolean", "TRUE");
    same("negative", "-5");
    same("blanks around", "  padded  ");
    same("csv quoting", "a,b \"quoted\"");
    same("non-latin", QStringLiteral(u"Grüße 日本 🙂"));
    same("xml markup", "<b>&amp; Co</b>");
    same("escape look-alike", "_x0041_ stays");
    same("control character", QStringLiteral("bell\x07 here"));
    same("line break", "two\nlines");
    // No XML file may hold these; one of them used to leave every text cell
    // of the sheet empty.
    QTest::newRow("non-characters dropped") << QStringLiteral(u"a\uFFFFb\uFFFEc") << "abc";
    QTest::newRow("lone surrogates replaced")
        << (QStringLiteral("a") + QChar(0xD800) + QStringLiteral("b") + QChar(0xDC00))
        << QStringLiteral(u"a\uFFFDb\uFFFD");
}

void ExportTest::cellsStayText()
{
    QFETCH(QString, text);
    QFETCH(QString, shown);
    ResultsTable table;
    table.setCell(1, 0, text);
    table.setCell(1, 3, text);
    table.setCell(1, 4, QStringLiteral("http://other.example/"));

    const WorkbookResult result = write(table, table.tableRowCount(), 5);
    QVERIFY2(result.saved.ok, qPrintable(result.saved.message()));
    // The control character's calc rendering is the office's business; the
    // file itself holds the character, as checked below.
    if (!text.contains(QChar(7))) {
        const Grid sheet{{"# ", "Title ", "Email ", "Description ", "URL "},
                         {shown + ' ', " ", " ", shown + ' ', "http://other.example/ "}};
        m_calc.append({QString::fromLatin1(QTest::currentDataTag()), result.saved.path, sheet});
    }
    const auto cells = XlsxProbe(result.saved.path).cells();
    QCOMPARE(cells.size(), 2);
    for (int k : {0, 3}) {
        QCOMPARE(cells[1][k].text, shown + QLatin1Char(' '));
        QCOMPARE(cells[1][k].type, QStringLiteral("s")); // a string, never a number or a formula
    }
}

void ExportTest::sheetName_data()
{
    QTest::addColumn<QString>("wanted");
    QTest::addColumn<QString>("sheet");
    QTest::newRow("empty keeps the default") << ""
                                             << "Sheet1";
    QTest::newRow("plain") << "Links 2026"
                           << "Links 2026";
    QTest::newRow("non-latin") << QStringLiteral(u"Liens été") << QStringLiteral(u"Liens été");
    QTest::newRow("31 characters") << QString(31, u'x') << QString(31, u'x');
    // Names a spreadsheet refuses: the sheet keeps its default name and the
    // export goes on.
    QTest::newRow("too long") << QString(32, u'x') << "Sheet1";
    QTest::newRow("slash") << "a/b"
                           << "Sheet1";
    QTest::newRow("brackets") << "[links]"
                              << "Sheet1";
    QTest::newRow("apostrophe first") << "'links"
                                      << "Sheet1";
    QTest::newRow("reserved") << "history"
                              << "Sheet1";
}

void ExportTest::sheetName()
{
    QFETCH(QString, wanted);
    QFETCH(QString, sheet);
    ResultsTable table;
    const WorkbookResult result = write(table, table.tableRowCount(), 5, 1, wanted);
    QVERIFY2(result.saved.ok, qPrintable(result.saved.message()));
    QCOMPARE(result.sheetName, sheet);
    const XlsxProbe probe(result.saved.path);
    QCOMPARE(probe.sheetNames(), QStringList{sheet});
    QCOMPARE(probe.table().ref, QStringLiteral("A1:E2"));
}

void ExportTest::duplicateHeadersStayReadable()
{
    // Cleared headers (all empty) and names that differ only in letter case:
    // a worksheet table needs distinct column names.
    ResultsTable table;
    table.clearCells();
    table.setCell(0, 1, QStringLiteral("Title"));
    table.setCell(0, 2, QStringLiteral("TITLE"));
    table.setCell(1, 1, QStringLiteral("kept"));

    const WorkbookResult result = write(table, table.tableRowCount(), 5);
    QVERIFY2(result.saved.ok, qPrintable(result.saved.message()));
    QCOMPARE(result.tableRange, QStringLiteral("A1:E2"));

    const XlsxProbe probe(result.saved.path);
    const QStringList names = probe.table().columnNames;
    const Grid cells = textsOf(probe.cells());
    QCOMPARE(names, cells.value(0)); // the table's names are its header cells
    QSet<QString> folded;
    for (const QString& name : names)
        folded.insert(name.toCaseFolded());
    QCOMPARE(folded.size(), 5);
    // What the user reads is unchanged: only trailing blanks were added.
    const QStringList original{"", "Title", "TITLE", "", ""};
    for (int k = 0; k < 5; ++k) {
        QCOMPARE(names[k].trimmed(), original[k]);
        QVERIFY(names[k].startsWith(original[k] + QLatin1Char(' ')));
    }
    QCOMPARE(cells.value(1), (QStringList{" ", "kept ", " ", " ", " "}));
    m_calc.append({QStringLiteral("duplicate headers"), result.saved.path, cells});
}

void ExportTest::overlongHeaderLeavesPlainCells()
{
    ResultsTable table;
    table.setCell(0, 3, QString(300, u'D'));
    table.setCell(1, 1, QStringLiteral("data"));
    const WorkbookResult result = write(table, table.tableRowCount(), 5);
    QVERIFY2(result.saved.ok, qPrintable(result.saved.message()));
    QCOMPARE(result.tableRange, QString());
    const XlsxProbe probe(result.saved.path);
    QCOMPARE(probe.table().ref, QString());
    QCOMPARE(textsOf(probe.cells()), expectedSheet(table, 2, 5));
}

void ExportTest::columnWidthsFitLongestText()
{
    ResultsTable table;
    const QString longTitle(60, u'T');
    fillAsAfterRun(table,
                   {{longTitle, "a@b.example", "short", "http://x.example/"},
                    {"t", "", QString(400, u'd'), QStringLiteral(u"http://例え.example/日本語のページ")}});
    const WorkbookResult result = write(table, table.tableRowCount(), 5);
    QVERIFY2(result.saved.ok, qPrintable(result.saved.message()));
    const QMap<int, double> widths = XlsxProbe(result.saved.path).columnWidths();
    QCOMPARE(widths.size(), 5);

    // "#" holds "# " and single digits: narrow, yet wide enough for the
    // header and its filter button.
    QVERIFY2(widths[0] >= 4 && widths[0] < 8, qPrintable(QString::number(widths[0])));
    // The title column fits its 61 characters without being absurdly wide.
    QVERIFY2(widths[1] >= 61 && widths[1] < 75, qPrintable(QString::number(widths[1])));
    QVERIFY2(widths[2] >= 12 && widths[2] < 20, qPrintable(QString::number(widths[2])));
    // A spreadsheet column is at most 255 wide.
    QVERIFY2(widths[3] >= 255 && widths[3] < 256, qPrintable(QString::number(widths[3])));
    // Ideographs take two digit widths each: 18 ASCII + 2 + 6 wide characters.
    QVERIFY2(widths[4] >= 18 + 2 * 8, qPrintable(QString::number(widths[4])));
}

void ExportTest::overlongCellIsCut()
{
    ResultsTable table;
    table.setCell(1, 3, QString(40000, u'x'));
    // A surrogate pair right at the cut must not be split.
    table.setCell(1, 1, QString(WorkbookWriter::MaxCellLength - 1, u'y') + QStringLiteral(u"🙂"));
    // The file spells each control character in 7 characters; the cell's
    // limit counts them so, or the whole cell would be refused and left empty.
    table.setCell(1, 2, QString(32700, u'z') + QString(10, QChar(7)));
    const WorkbookResult result = write(table, table.tableRowCount(), 5);
    QVERIFY2(result.saved.ok, qPrintable(result.saved.message()));
    QCOMPARE(result.truncatedCells, 3);
    const auto cells = XlsxProbe(result.saved.path).cells();
    QCOMPARE(cells[1][3].text, QString(WorkbookWriter::MaxCellLength, u'x'));
    QCOMPARE(cells[1][1].text, QString(WorkbookWriter::MaxCellLength - 1, u'y'));
    QCOMPARE(cells[1][2].text, QString(32700, u'z') + QString(9, QChar(7)));
    QCOMPARE(cells[1][0].text, QStringLiteral(" "));

    // The user is told how many cells were cut.
    const QString out = m_dir.filePath(QStringLiteral("cut-out"));
    QDir().mkpath(out);
    SpreadsheetExporter exporter(WorkbookOpener({}, {}), out);
    QSignalSpy cut(&exporter, &SpreadsheetExporter::cellsCut);
    QSignalSpy failed(&exporter, &SpreadsheetExporter::failed);
    QVERIFY(exporter.exportTable(table, table.tableRowCount(), 5, 1, QString()));
    QVERIFY(failed.wait(WaitMs)); // no application to open it
    QCOMPARE(cut.count(), 1);
    QCOMPARE(cut.at(0).at(0).toInt(), 3);
    QCOMPARE(cut.at(0).at(1).toString(),
             QStringLiteral("3 cells were longer than 32,767 characters and were cut to fit the workbook."));
}

void ExportTest::workbookNames()
{
    const QDir folder(m_dir.filePath(QStringLiteral("names")));
    QDir().mkpath(folder.path());
    const QDateTime when(QDate(2026, 12, 7), QTime(14, 3, 59));

    const SaveOutcome first = WorkbookWriter::reservePath(folder, when);
    const SaveOutcome second = WorkbookWriter::reservePath(folder, when);
    const SaveOutcome third = WorkbookWriter::reservePath(folder, when);
    QVERIFY(first.ok && second.ok && third.ok);
    QCOMPARE(QFileInfo(first.path).fileName(), QStringLiteral("Quillmark results 2026-12-07 14-03.xlsx"));
    QCOMPARE(QFileInfo(second.path).fileName(),
             QStringLiteral("Quillmark results 2026-12-07 14-03 (2).xlsx"));
    QCOMPARE(QFileInfo(third.path).fileName(), QStringLiteral("Quillmark results 2026-12-07 14-03 (3).xlsx"));
    QCOMPARE(QFileInfo(first.path).absolutePath(), folder.absolutePath());

    const SaveOutcome missing =
        WorkbookWriter::reservePath(QDir(folder.filePath(QStringLiteral("gone"))), when);
    QVERIFY(!missing.ok);
    QVERIFY(missing.message().contains(QStringLiteral("gone")));
}

void ExportTest::exporterOpensWorkbook_data()
{
    QTest::addColumn<QStringList>("installed");
    QTest::addColumn<QStringList>("expected"); // program name, then its arguments; %1 is the workbook
    QTest::newRow("libreoffice") << QStringList{"libreoffice", "localc", "xdg-open"}
                                 << QStringList{"libreoffice", "--calc", "%1"};
    QTest::newRow("localc") << QStringList{"localc", "xdg-open"} << QStringList{"localc", "%1"};
    QTest::newRow("desktop default") << QStringList{"xdg-open"} << QStringList{"xdg-open", "%1"};
}

void ExportTest::exporterOpensWorkbook()
{
    QFETCH(QStringList, installed);
    QFETCH(QStringList, expected);
    const QString bin = m_dir.filePath(QStringLiteral("bin-") + QString::fromLatin1(QTest::currentDataTag()));
    const QString out = bin + QStringLiteral("-out");
    const QString log = bin + QStringLiteral(".log");
    QDir().mkpath(bin);
    QDir().mkpath(out);
    for (const QString& program : installed)
        writeFakeProgram(bin, program, log);

    ResultsTable table;
    fillAsAfterRun(table, {{"Title", "e@mail.example", "Text", "http://site.example/"}});
    SpreadsheetExporter exporter(WorkbookOpener(WorkbookOpener::defaultCommands(), {bin}), out);
    QSignalSpy started(&exporter, &SpreadsheetExporter::started);
    QSignalSpy finished(&exporter, &SpreadsheetExporter::finished);
    QSignalSpy failed(&exporter, &SpreadsheetExporter::failed);

    QVERIFY(exporter.exportTable(table, table.tableRowCount(), 5, 1, QString()));
    QCOMPARE(started.count(), 1);
    QVERIFY(exporter.isBusy());
    QVERIFY(finished.wait(WaitMs));
    QCOMPARE(failed.count(), 0);
    QVERIFY(!exporter.isBusy());

    const QString path = finished.at(0).at(0).toString();
    QCOMPARE(QFileInfo(path).absolutePath(), QDir(out).absolutePath());
    QVERIFY(QFileInfo(path).fileName().startsWith(QStringLiteral("Quillmark results ")));
    QCOMPARE(textsOf(XlsxProbe(path).cells()), expectedSheet(table, 3, 5));
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(log), WaitMs);
    QCOMPARE(readLines(log), expected.replaceInStrings(QStringLiteral("%1"), path));
}

void ExportTest::noApplicationKeepsWorkbook()
{
    const QString emptyBin = m_dir.filePath(QStringLiteral("no-programs"));
    const QString out = m_dir.filePath(QStringLiteral("no-programs-out"));
    QDir().mkpath(emptyBin);
    QDir().mkpath(out);

    ResultsTable table;
    SpreadsheetExporter exporter(WorkbookOpener(WorkbookOpener::defaultCommands(), {emptyBin}), out);
    QSignalSpy finished(&exporter, &SpreadsheetExporter::finished);
    QSignalSpy failed(&exporter, &SpreadsheetExporter::failed);
    QVERIFY(exporter.exportTable(table, table.tableRowCount(), 5, 1, QString()));
    QVERIFY(failed.wait(WaitMs));
    QCOMPARE(finished.count(), 0);
    QVERIFY(!exporter.isBusy());

    QCOMPARE(failed.at(0).at(0).toString(), QStringLiteral("Print to Excel"));
    const QString message = failed.at(0).at(1).toString();
    QVERIFY(message.startsWith(QStringLiteral("You need a spreadsheet application to use this function")));
    // The workbook is left where the message says, complete.
    const QStringList files = QDir(out).entryList(QDir::Files);
    QCOMPARE(files.size(), 1);
    const QString path = QDir(out).filePath(files.first());
    QVERIFY2(message.contains(QDir::toNativeSeparators(path)), qPrintable(message));
    QCOMPARE(textsOf(XlsxProbe(path).cells()), expectedSheet(table, 2, 5));
}

void ExportTest::exportUsesCellsAtTheCall()
{
    const QString emptyBin = m_dir.filePath(QStringLiteral("snapshot-bin"));
    const QString out = m_dir.filePath(QStringLiteral("snapshot-out"));
    QDir().mkpath(emptyBin);
    QDir().mkpath(out);

    ResultsTable table;
    fillAsAfterRun(table, {{"before", "", "", "http://a.example/"}});
    SpreadsheetExporter exporter(WorkbookOpener({}, {emptyBin}), out);
    QSignalSpy started(&exporter, &SpreadsheetExporter::started);
    QSignalSpy failed(&exporter, &SpreadsheetExporter::failed);
    QVERIFY(exporter.exportTable(table, table.tableRowCount(), 5, 1, QString()));
    // The outcome is always delivered later, through the event loop.
    QCOMPARE(failed.count(), 0);
    // A second export while the first is being written is refused.
    QVERIFY(!exporter.exportTable(table, table.tableRowCount(), 5, 1, QString()));
    QCOMPARE(started.count(), 1);

    // The user (or a new batch run) changes the table meanwhile.
    table.setCell(1, 1, QStringLiteral("after"));
    table.resetForRun();

    QVERIFY(failed.wait(WaitMs));
    const QStringList files = QDir(out).entryList(QDir::Files);
    QCOMPARE(files.size(), 1);
    const Grid cells = textsOf(XlsxProbe(QDir(out).filePath(files.first())).cells());
    QCOMPARE(cells.size(), 3);
    QCOMPARE(cells[1][1], QStringLiteral("before "));

    // Ready for the next export.
    QVERIFY(exporter.exportTable(table, table.tableRowCount(), 5, 1, QString()));
    QVERIFY(failed.wait(WaitMs));
    QCOMPARE(QDir(out).entryList(QDir::Files).size(), 2);
}

void ExportTest::writeFailureIsReported()
{
    const QString bin = m_dir.filePath(QStringLiteral("unwritable-bin"));
    const QString log = bin + QStringLiteral(".log");
    QDir().mkpath(bin);
    writeFakeProgram(bin, QStringLiteral("xdg-open"), log, true);
    const QString missingFolder = m_dir.filePath(QStringLiteral("does-not-exist"));

    ResultsTable table;
    SpreadsheetExporter exporter(WorkbookOpener(WorkbookOpener::defaultCommands(), {bin}), missingFolder);
    QSignalSpy finished(&exporter, &SpreadsheetExporter::finished);
    QSignalSpy failed(&exporter, &SpreadsheetExporter::failed);
    QVERIFY(exporter.exportTable(table, table.tableRowCount(), 5, 1, QString()));
    QVERIFY(failed.wait(WaitMs));
    QCOMPARE(finished.count(), 0);
    QCOMPARE(failed.at(0).at(0).toString(), QStringLiteral("Print to Excel"));
    const QString message = failed.at(0).at(1).toString();
    QVERIFY2(message.startsWith(QStringLiteral("Cannot save ")) && message.contains(missingFolder),
             qPrintable(message));
    // Nothing was handed to an application: an export into a folder that is
    // there, made next, is the first the application hears of.
    const QString folder = m_dir.filePath(QStringLiteral("unwritable-next"));
    QVERIFY(QDir().mkpath(folder));
    SpreadsheetExporter next(WorkbookOpener(WorkbookOpener::defaultCommands(), {bin}), folder);
    QSignalSpy written(&next, &SpreadsheetExporter::finished);
    QVERIFY(next.exportTable(table, table.tableRowCount(), 5, 1, QString()));
    QVERIFY(written.wait(WaitMs));
    const QString path = written.at(0).at(0).toString();
    QTRY_VERIFY_WITH_TIMEOUT(readLines(log).contains(path), WaitMs);
    QCOMPARE(readLines(log), (QStringList{QStringLiteral("xdg-open"), path}));
}

void ExportTest::destroyedWhileWriting()
{
    const QString out = m_dir.filePath(QStringLiteral("destroyed-out"));
    QDir().mkpath(out);
    ResultsTable table;
    table.setTableRowCount(20000);
    for (int r = 1; r < table.tableRowCount(); ++r)
        table.setCell(r, 4, QStringLiteral("http://site%1.example/").arg(r));
    {
        SpreadsheetExporter exporter(WorkbookOpener({}, {}), out);
        QVERIFY(exporter.exportTable(table, table.tableRowCount(), 5, 1, QString()));
    }
    // The posted outcome died with the exporter; the event loop must not
    // deliver it to freed memory. It was posted before this.
    bool drained = false;
    QMetaObject::invokeMethod(
        this, [&drained] { drained = true; }, Qt::QueuedConnection);
    QTRY_VERIFY(drained);
    const QStringList files = QDir(out).entryList(QDir::Files);
    QCOMPARE(files.size(), 1);
    QCOMPARE(XlsxProbe(QDir(out).filePath(files.first())).cells().size(), 20000);
}

void ExportTest::readBackInLibreOffice()
{
    if (CalcReader::Program().isEmpty())
        QSKIP("LibreOffice is not installed (package libreoffice-calc-nogui): the read-back through a real "
              "spreadsheet is skipped");
    if (m_calc.isEmpty())
        QSKIP("no workbook was written by the tests before this one");

    QStringList files;
    for (const Expectation& e : std::as_const(m_calc))
        files.append(e.file);
    QString error;
    const auto sheets = CalcReader::Read(files, m_dir.filePath(QStringLiteral("calc")), &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    for (const Expectation& e : std::as_const(m_calc)) {
        Grid sheet = sheets.value(e.file);
        // Calc writes the used area; empty trailing cells come out as empty fields.
        Grid expected = e.sheet;
        if (expected.isEmpty())
            expected = {QStringList{QString()}};
        if (sheet != expected)
            qWarning().noquote() << e.name << "\n calc:" << sheet << "\n want:" << expected;
        QVERIFY2(sheet == expected, qPrintable(e.name));
    }
}

QTEST_GUILESS_MAIN(ExportTest)
#include "tst_export.moc"
