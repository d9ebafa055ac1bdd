#include "results/SpreadsheetExport.h"

#include "results/ResultsTable.h"

#include <QDateTime>
#include <QMetaObject>

SpreadsheetExporter::SpreadsheetExporter(WorkbookOpener opener, QString outputFolder, QObject* parent)
    : QObject(parent), m_opener(std::move(opener)), m_outputFolder(std::move(outputFolder))
{}

SpreadsheetExporter::~SpreadsheetExporter()
{
    // The worker posts its result to this object; once joined, nothing can
    // post any more, and what was posted dies with the object.
    if (m_worker.joinable())
        m_worker.join();
}

bool SpreadsheetExporter::exportTable(const ResultsTable& table, int rows, int columns, int gridStyle,
                                      const QString& sheetName)
{
    if (m_busy)
        return false;
    m_busy = true;
    // The previous worker has posted its result already; it is at most
    // returning from its function.
    if (m_worker.joinable())
        m_worker.join();

    WorkbookContent content = WorkbookContent::FromTable(table, rows, columns, gridStyle, sheetName);
    const QDateTime when = QDateTime::currentDateTime();
    emit started();
    m_worker = std::thread([this, content = std::move(content), folder = m_outputFolder, when]() {
        const WorkbookResult result = WriteWorkbook(content, folder, when);
        QMetaObject::invokeMethod(
            this, [this, result]() { deliver(result); }, Qt::QueuedConnection);
    });
    return true;
}

WorkbookResult SpreadsheetExporter::WriteWorkbook(const ResultsTable& table, int rows, int columns,
                                                  int gridStyle, const QString& sheetName,
                                                  const QString& folder)
{
    return WriteWorkbook(WorkbookContent::FromTable(table, rows, columns, gridStyle, sheetName), folder,
                         QDateTime::currentDateTime());
}

WorkbookResult SpreadsheetExporter::WriteWorkbook(const WorkbookContent& content, const QString& folder,
                                                  const QDateTime& when)
{
    const SaveOutcome reserved = WorkbookWriter::ReservePath(QDir(folder), when);
    if (!reserved.ok) {
        WorkbookResult result;
        result.saved = reserved;
        return result;
    }
    return WorkbookWriter::Write(content, reserved.path);
}

QString SpreadsheetExporter::MissingApplicationMessage(const QString& workbookPath)
{
    return MissingApplicationText + QStringLiteral("\n\n") + QDir::toNativeSeparators(workbookPath);
}

QString SpreadsheetExporter::CutCellsMessage(int count)
{
    if (count == 1)
        return QStringLiteral("1 cell was longer than 32,767 characters and was cut to fit the workbook.");
    return QStringLiteral("%1 cells were longer than 32,767 characters and were cut to fit the workbook.")
        .arg(count);
}

void SpreadsheetExporter::deliver(const WorkbookResult& result)
{
    if (m_worker.joinable())
        m_worker.join();
    m_busy = false;

    if (!result.saved.ok) {
        emit failed(FailureTitle, result.saved.message());
        return;
    }
    // The user would otherwise find out only by reading every long cell to
    // its end.
    if (result.truncatedCells > 0)
        emit cellsCut(result.truncatedCells, CutCellsMessage(result.truncatedCells));
    // The file stays in the temporary folder either way: it is the user's
    // only copy of the export until the application saves it elsewhere.
    if (m_opener.open(result.saved.path).isEmpty()) {
        emit failed(FailureTitle, MissingApplicationMessage(result.saved.path));
        return;
    }
    emit finished(result.saved.path);
}
