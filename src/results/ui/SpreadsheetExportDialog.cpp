#include "results/ui/SpreadsheetExportDialog.h"

#include "platform/ui/WaitCursor.h"
#include "platform/ui/AppMessageBox.h"
#include "results/SpreadsheetExporter.h"

#include <QPointer>
#include <memory>
#include <optional>

void SpreadsheetExportDialog::attach(SpreadsheetExporter& exporter, QWidget* parent)
{
    const QPointer<QWidget> owner(parent);
    // Set on started(), put back on finished() or failed(), and at the latest
    // when the exporter and with it these connections go.
    const auto busy = std::make_shared<std::optional<WaitCursor>>();
    QObject::connect(&exporter, &SpreadsheetExporter::cellsCut, &exporter,
                     [owner](int, const QString& message) {
                         AppMessageBox::open(owner.data(), QMessageBox::Information, message,
                                             QStringLiteral("CutCellsNote"));
                     });
    QObject::connect(&exporter, &SpreadsheetExporter::started, &exporter,
                     [busy] { busy->emplace(Qt::BusyCursor); });
    QObject::connect(&exporter, &SpreadsheetExporter::finished, &exporter, [busy] { busy->reset(); });
    QObject::connect(
        &exporter, &SpreadsheetExporter::failed, &exporter,
        [owner, busy](const QString& title, const QString& message) {
            busy->reset();
            QMessageBox* box =
                AppMessageBox::open(owner.data(), QMessageBox::Warning, message, QString(), title);
            box->setTextInteractionFlags(Qt::TextSelectableByMouse); // the workbook's path can be copied
        });
}
