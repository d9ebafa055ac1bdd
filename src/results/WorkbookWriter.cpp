#include "results/WorkbookWriter.h"

#include "Version.h"

#include <QFile>
#include <QSet>
#include <QStringList>
#include <algorithm>
#include <vector>
#include <xlsxwriter.h>

namespace {

// Room for the filter drop-down that a table puts into each header cell.
constexpr double FilterButtonWidth = 2.5;

bool isWide(char32_t c)
{
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) || (c >= 0xAC00 && c <= 0xD7A3) ||
           (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
           (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x1F300 && c <= 0x1FAFF) || (c >= 0x20000 && c <= 0x3FFFD);
}

// XML 1.0 cannot carry most control characters; the file format spells them
// as _xHHHH_, and an underscore before "x" as _x005F_ so that a text such as
// "_x0041_" is not read back as an escape.
bool needsEscape(QChar c)
{
    return c.unicode() < 0x20 && c != u'\t' && c != u'\n' && c != u'\r';
}

// Characters of the text at i as the file spells them.
qsizetype escapedLength(const QString& text, qsizetype i)
{
    const QChar c = text.at(i);
    if (needsEscape(c) || (c == u'_' && i + 1 < text.size() && text.at(i + 1) == u'x'))
        return 7;
    return 1;
}

// Characters that no XML file may hold, and that the file format has no
// spelling for either: one of them makes the sheet unreadable, and
// spreadsheets then show every text cell of it empty. A lone half of a
// surrogate pair (a page decoded from broken bytes) becomes U+FFFD, the
// replacement character, so the reader sees that something stood there;
// the non-characters U+FFFE and U+FFFF mean nothing and are dropped. Control
// characters are not touched here: they travel as _xHHHH_ escapes.
QString xmlCharacters(const QString& text)
{
    const auto bad = [](const QString& t, qsizetype i) {
        const QChar c = t.at(i);
        if (c.unicode() == 0xFFFE || c.unicode() == 0xFFFF)
            return true;
        if (c.isHighSurrogate())
            return i + 1 >= t.size() || !t.at(i + 1).isLowSurrogate();
        if (c.isLowSurrogate())
            return i == 0 || !t.at(i - 1).isHighSurrogate();
        return false;
    };
    qsizetype first = 0;
    while (first < text.size() && !bad(text, first))
        ++first;
    if (first == text.size())
        return text;

    QString out = text.left(first);
    out.reserve(text.size());
    for (qsizetype i = first; i < text.size(); ++i) {
        if (!bad(text, i))
            out += text.at(i);
        else if (text.at(i).isSurrogate())
            out += QChar(QChar::ReplacementCharacter);
    }
    return out;
}

// The text that goes into a sheet cell: the table text and one space, cut to
// what a cell can hold without splitting a surrogate pair. The limit counts
// the characters as the file spells them, escapes included, since a longer
// text is refused by the writer and the cell would stay empty.
QString sheetText(const QString& tableText, bool& truncated)
{
    QString text = xmlCharacters(tableText) + QLatin1Char(' ');
    truncated = false;
    if (text.size() <= WorkbookWriter::MaxCellLength / 7)
        return text; // fits even if every character were escaped
    qsizetype length = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        length += escapedLength(text, i);
        if (length > WorkbookWriter::MaxCellLength) {
            truncated = true;
            qsizetype cut = i;
            if (cut > 0 && text.at(cut - 1).isHighSurrogate())
                --cut;
            text.truncate(cut);
            break;
        }
    }
    return text;
}

// The text as the file spells it.
QString escapeForXlsx(const QString& text)
{
    bool plain = !text.contains(QLatin1String("_x"));
    for (qsizetype i = 0; plain && i < text.size(); ++i)
        plain = !needsEscape(text.at(i));
    if (plain)
        return text;

    QString out;
    out.reserve(text.size() + 16);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (needsEscape(c))
            out += QStringLiteral("_x%1_").arg(
                QString::number(c.unicode(), 16).toUpper().rightJustified(4, u'0'));
        else if (c == u'_' && i + 1 < text.size() && text.at(i + 1) == u'x')
            out += QLatin1String("_x005F_");
        else
            out += c;
    }
    return out;
}

// A worksheet table names its columns after the header cells, and the names
// must differ without regard to letter case. A clash is resolved by further
// trailing blanks: the header still reads the same on screen.
QStringList uniqueHeaders(const QStringList& headers)
{
    QStringList unique;
    QSet<QString> seen;
    for (QString header : headers) {
        while (seen.contains(header.toCaseFolded()))
            header += QLatin1Char(' ');
        seen.insert(header.toCaseFolded());
        unique.append(header);
    }
    return unique;
}

bool sheetNameAllowed(lxw_workbook* workbook, const QString& name, const QByteArray& utf8)
{
    // Excel keeps "History" for itself and refuses names that begin or end
    // with an apostrophe; libxlsxwriter checks the rest.
    if (name.compare(QLatin1String("History"), Qt::CaseInsensitive) == 0)
        return false;
    if (name.startsWith(QLatin1Char('\'')) || name.endsWith(QLatin1Char('\'')))
        return false;
    return workbook_validate_sheet_name(workbook, utf8.constData()) == LXW_NO_ERROR;
}

QString columnName(int column)
{
    char name[LXW_MAX_COL_NAME_LENGTH] = {};
    lxw_col_to_name(name, lxw_col_t(column), LXW_FALSE);
    return QString::fromLatin1(name);
}

} // namespace

QString WorkbookWriter::TableStyle::name() const
{
    if (number == 0)
        return QString();
    const char* kind = type == LXW_TABLE_STYLE_TYPE_LIGHT  ? "Light"
                       : type == LXW_TABLE_STYLE_TYPE_DARK ? "Dark"
                                                           : "Medium";
    return QStringLiteral("TableStyle%1%2").arg(QLatin1String(kind)).arg(number);
}

WorkbookWriter::TableStyle WorkbookWriter::styleFor(int gridStyle)
{
    // 1: light blue header band with banded rows. 2-21: the other light
    // styles in order, 22-49 the medium ones, 50-60 the dark ones; anything
    // else gets the spreadsheet's own default table look.
    if (gridStyle <= 0)
        return {LXW_TABLE_STYLE_TYPE_LIGHT, 0};
    if (gridStyle == 1)
        return {LXW_TABLE_STYLE_TYPE_LIGHT, 9};
    if (gridStyle <= 21)
        return {LXW_TABLE_STYLE_TYPE_LIGHT, gridStyle == 9 ? 1 : gridStyle};
    if (gridStyle <= 49)
        return {LXW_TABLE_STYLE_TYPE_MEDIUM, gridStyle - 21};
    if (gridStyle <= 60)
        return {LXW_TABLE_STYLE_TYPE_DARK, gridStyle - 49};
    return {LXW_TABLE_STYLE_TYPE_MEDIUM, 9};
}

SaveOutcome WorkbookWriter::reservePath(const QDir& folder, const QDateTime& when)
{
    const QString stem =
        QStringLiteral(QUILLMARK_APP_TITLE " results ") + when.toString(QStringLiteral("yyyy-MM-dd HH-mm"));
    for (int n = 1; n < 1000; ++n) {
        const QString name =
            n == 1 ? stem + QStringLiteral(".xlsx") : QStringLiteral("%1 (%2).xlsx").arg(stem).arg(n);
        const QString path = folder.filePath(name);
        QFile file(path);
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            return SaveOutcome::success(path);
        if (!file.exists())
            return SaveOutcome::failure(path, file.errorString());
    }
    return SaveOutcome::failure(folder.filePath(stem + QStringLiteral(".xlsx")),
                                QStringLiteral("every name for this minute is taken"));
}

double WorkbookWriter::widthOf(const QString& text)
{
    int longest = 0;
    int line = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text.at(i).unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            c = QChar::surrogateToUcs4(text.at(i).unicode(), text.at(++i).unicode());
        if (c == u'\n') {
            line = 0;
            continue;
        }
        line += isWide(c) ? 2 : 1;
        longest = std::max(longest, line);
    }
    // Proportional text runs a little wider than the digit the unit is made of.
    return std::min(double(MaxColumnWidth), longest * 1.1 + 1.0);
}

namespace {

// The block of cells being written, and what writing it has found out.
struct SheetBlock
{
    int rows = 0;
    int columns = 0;
    bool hasTable = false;      // a table with a header row goes over the block
    QStringList headers;        // row 0, which the table writes
    std::vector<double> widths; // per column, wide enough for its texts
};

// The sheet named as the content asks, or "Sheet1" when that name is refused.
lxw_worksheet* addSheet(lxw_workbook* workbook, const WorkbookContent& content, WorkbookResult& result)
{
    if (!content.sheetName.isEmpty()) {
        const QByteArray name = content.sheetName.toUtf8();
        lxw_worksheet* sheet = sheetNameAllowed(workbook, content.sheetName, name)
                                   ? workbook_add_worksheet(workbook, name.constData())
                                   : nullptr;
        if (sheet) {
            result.sheetName = content.sheetName;
            return sheet;
        }
    }
    result.sheetName = QStringLiteral("Sheet1");
    return workbook_add_worksheet(workbook, nullptr);
}

// Every cell but the header row of a table, which the table writes itself.
void writeCells(lxw_worksheet* sheet, const WorkbookContent& content, SheetBlock& block,
                WorkbookResult& result)
{
    for (int r = 0; r < block.rows; ++r) {
        for (int k = 0; k < block.columns; ++k) {
            bool truncated = false;
            QString text = sheetText(content.cell(r, k), truncated);
            if (truncated)
                ++result.truncatedCells;
            if (r == 0 && block.hasTable) {
                block.headers.append(text);
                continue;
            }
            block.widths[size_t(k)] = std::max(block.widths[size_t(k)], WorkbookWriter::widthOf(text));
            worksheet_write_string(sheet, lxw_row_t(r), lxw_col_t(k),
                                   escapeForXlsx(text).toUtf8().constData(), nullptr);
        }
    }
}

// The worksheet table over the block, in the style the grid style stands for.
void addTable(lxw_workbook* workbook, lxw_worksheet* sheet, int gridStyle, SheetBlock& block,
              WorkbookResult& result)
{
    const int columns = block.columns;
    // Bold on top of the table style: spreadsheets that do not draw
    // table styles (LibreOffice among them) still set the header apart.
    lxw_format* headerFormat = workbook_add_format(workbook);
    if (headerFormat)
        format_set_bold(headerFormat);
    const QStringList names = uniqueHeaders(block.headers);
    std::vector<QByteArray> nameBytes;
    std::vector<lxw_table_column> tableColumns(static_cast<size_t>(columns));
    std::vector<lxw_table_column*> columnPointers(size_t(columns) + 1, nullptr);
    nameBytes.reserve(size_t(columns));
    for (int k = 0; k < columns; ++k) {
        nameBytes.push_back(escapeForXlsx(names.at(k)).toUtf8());
        tableColumns[size_t(k)] = {};
        tableColumns[size_t(k)].header = nameBytes.back().data();
        tableColumns[size_t(k)].header_format = headerFormat;
        columnPointers[size_t(k)] = &tableColumns[size_t(k)];
    }
    const WorkbookWriter::TableStyle style = WorkbookWriter::styleFor(gridStyle);
    lxw_table_options table = {};
    table.style_type = uint8_t(style.type);
    table.style_type_number = uint8_t(style.number);
    table.columns = columnPointers.data();
    // A table needs a row under its header; a header-only block gets an
    // empty one, as the spreadsheet's own "format as table" does.
    const int lastRow = std::max(block.rows - 1, 1);
    if (worksheet_add_table(sheet, 0, 0, lxw_row_t(lastRow), lxw_col_t(columns - 1), &table) ==
        LXW_NO_ERROR) {
        result.tableRange = QStringLiteral("A1:%1%2").arg(columnName(columns - 1)).arg(lastRow + 1);
        result.tableStyle = style.name();
        for (int k = 0; k < columns; ++k) {
            block.widths[size_t(k)] =
                std::max(block.widths[size_t(k)], WorkbookWriter::widthOf(names.at(k)) + FilterButtonWidth);
        }
        return;
    }
    // A header the table refuses (over 255 characters) leaves the cells
    // without a table, but all of them are there.
    for (int k = 0; k < columns; ++k) {
        worksheet_write_string(sheet, 0, lxw_col_t(k),
                               escapeForXlsx(block.headers.at(k)).toUtf8().constData(), headerFormat);
        block.widths[size_t(k)] =
            std::max(block.widths[size_t(k)], WorkbookWriter::widthOf(block.headers.at(k)));
    }
}

void setColumnWidths(lxw_worksheet* sheet, const SheetBlock& block)
{
    for (int k = 0; k < block.columns; ++k) {
        worksheet_set_column(sheet, lxw_col_t(k), lxw_col_t(k),
                             std::min(block.widths[size_t(k)], double(WorkbookWriter::MaxColumnWidth)),
                             nullptr);
    }
}

} // namespace

WorkbookResult WorkbookWriter::write(const WorkbookContent& content, const QString& path)
{
    WorkbookResult result;
    const QByteArray fileName = QFile::encodeName(path);
    const QByteArray tempFolder = QFile::encodeName(QDir::tempPath());
    lxw_workbook_options options = {};
    options.tmpdir = const_cast<char*>(tempFolder.constData());
    lxw_workbook* workbook = workbook_new_opt(fileName.constData(), &options);
    if (!workbook) {
        result.saved = SaveOutcome::failure(path, QStringLiteral("out of memory"));
        return result;
    }
    lxw_worksheet* sheet = addSheet(workbook, content, result);
    if (!sheet) {
        workbook_close(workbook);
        QFile::remove(path);
        result.saved = SaveOutcome::failure(path, QStringLiteral("out of memory"));
        return result;
    }

    // Rows past the sheet's last row cannot be written; a results table never
    // gets near that size.
    SheetBlock block;
    block.rows = std::min(content.rows, int(LXW_ROW_MAX));
    block.columns = std::min(content.columns, int(LXW_COL_MAX));
    block.hasTable = block.rows >= 1 && block.columns >= 1;
    block.widths.assign(size_t(std::max(block.columns, 0)), 0.0);
    writeCells(sheet, content, block, result);
    if (block.hasTable)
        addTable(workbook, sheet, content.gridStyle, block, result);
    setColumnWidths(sheet, block);

    const lxw_error closed = workbook_close(workbook);
    if (closed != LXW_NO_ERROR) {
        QFile::remove(path);
        result.saved = SaveOutcome::failure(path, QString::fromUtf8(lxw_strerror(closed)));
        return result;
    }
    result.saved = SaveOutcome::success(path);
    return result;
}
