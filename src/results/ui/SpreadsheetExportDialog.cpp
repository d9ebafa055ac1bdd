#include "results/ui/SpreadsheetExportDialog.h"

#include "Version.h"
#include "results/SpreadsheetExport.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>

QMessageBox* SpreadsheetExportDialog::ShowWarning(QWidget* parent, const QString& title,
                                                  const QString& message)
{
    auto* box = new QMessageBox(QMessageBox::Warning, title, message, QMessageBox::Ok, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setTextInteractionFlags(Qt::TextSelectableByMouse); // the workbook's path can be copied
    box->open();
    return box;
}

QMessageBox* SpreadsheetExportDialog::ShowNote(QWidget* parent, const QString& message)
{
    auto* box = new QMessageBox(QMessageBox::Information, QStringLiteral(QUILLMARK_APP_TITLE), message,
                                QMessageBox::Ok, parent);
    box->setObjectName(QStringLiteral("CutCellsNote"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
    return box;
}

void SpreadsheetExportDialog::Attach(SpreadsheetExporter& exporter, QWidget* parent)
{
    const QPointer<QWidget> owner(parent);
    QObject::connect(&exporter, &SpreadsheetExporter::cellsCut, &exporter,
                     [owner](int, const QString& message) { ShowNote(owner.data(), message); });
    QObject::connect(&exporter, &SpreadsheetExporter::started, &exporter,
                     [] { QApplication::setOverrideCursor(Qt::BusyCursor); });
    QObject::connect(&exporter, &SpreadsheetExporter::finished, &exporter,
                     [] { QApplication::restoreOverrideCursor(); });
    QObject::connect(&exporter, &SpreadsheetExporter::failed, &exporter,
                     [owner](const QString& title, const QString& message) {
                         QApplication::restoreOverrideCursor();
                         ShowWarning(owner.data(), title, message);
                     });
}
