#include "results/SpreadsheetExporter.h"

#include "results/ResultsTable.h"

#include <QDateTime>

SpreadsheetExporter::SpreadsheetExporter(WorkbookOpener opener, QString outputFolder, QObject* parent)
    : QObject(parent), m_opener(std::move(opener)), m_outputFolder(std::move(outputFolder))
{
    m_write.onFinished(this, &SpreadsheetExporter::deliver);
}

// The write in progress finishes; its outcome dies with the object.
SpreadsheetExporter::~SpreadsheetExporter() = default;

bool SpreadsheetExporter::exportTable(const ResultsTable& table, int rows, int columns, int gridStyle,
                                      const QString& sheetName)
{
    if (m_busy)
        return false;
    m_busy = true;

    WorkbookContent content = WorkbookContent::fromTable(table, rows, columns, gridStyle, sheetName);
    const QDateTime when = QDateTime::currentDateTime();
    emit started();
    m_write.start([content = std::move(content), folder = m_outputFolder, when] {
        return writeWorkbook(content, folder, when);
    });
    return true;
}

WorkbookResult SpreadsheetExporter::writeWorkbook(const ResultsTable& table, int rows, int columns,
                                                  int gridStyle, const QString& sheetName,
                                                  const QString& folder)
{
    return writeWorkbook(WorkbookContent::fromTable(table, rows, columns, gridStyle, sheetName), folder,
                         QDateTime::currentDateTime());
}

WorkbookResult SpreadsheetExporter::writeWorkbook(const WorkbookContent& content, const QString& folder,
                                                  const QDateTime& when)
{
    const SaveOutcome reserved = WorkbookWriter::reservePath(QDir(folder), when);
    if (!reserved.ok) {
        WorkbookResult result;
        result.saved = reserved;
        return result;
    }
    return WorkbookWriter::write(content, reserved.path);
}

QString SpreadsheetExporter::missingApplicationMessage(const QString& workbookPath)
{
    return MissingApplicationText + QStringLiteral("\n\n") + QDir::toNativeSeparators(workbookPath);
}

QString SpreadsheetExporter::cutCellsMessage(int count)
{
    if (count == 1)
        return QStringLiteral("1 cell was longer than 32,767 characters and was cut to fit the workbook.");
    return QStringLiteral("%1 cells were longer than 32,767 characters and were cut to fit the workbook.")
        .arg(count);
}

void SpreadsheetExporter::deliver()
{
    if (!m_busy)
        return;
    m_busy = false;
    const WorkbookResult result = m_write.result();

    if (!result.saved.ok) {
        emit failed(FailureTitle, result.saved.message());
        return;
    }
    // The user would otherwise find out only by reading every long cell to
    // its end.
    if (result.truncatedCells > 0)
        emit cellsCut(result.truncatedCells, cutCellsMessage(result.truncatedCells));
    // The file stays in the temporary folder either way: it is the user's
    // only copy of the export until the application saves it elsewhere.
    if (m_opener.open(result.saved.path).isEmpty()) {
        emit failed(FailureTitle, missingApplicationMessage(result.saved.path));
        return;
    }
    emit finished(result.saved.path);
}
