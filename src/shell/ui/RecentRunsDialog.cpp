#include "shell/ui/RecentRunsDialog.h"

#include "run/RecheckRun.h"
#include "run/RunJournalFeed.h"
#include "store/RunStore.h"
#include "ui_RecentRunsDialog.h"
#include "workspace/Workspace.h"

#include <QDateTime>

RecentRunsDialog::RecentRunsDialog(Workspace& workspace, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::RecentRunsDialog>()), m_workspace(workspace)
{
    m_ui->setupUi(this);
    connect(m_ui->PutRowsBackButton, &QPushButton::clicked, this, &RecentRunsDialog::putRowsBack);
    connect(m_ui->CloseButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_ui->RunsTable, &QTableWidget::itemSelectionChanged, this,
            [this] { m_ui->PutRowsBackButton->setEnabled(m_ui->RunsTable->currentRow() >= 0); });
    refresh();
}

RecentRunsDialog::~RecentRunsDialog() = default;

QString RecentRunsDialog::endingText(bool live, int ending)
{
    if (live)
        return QStringLiteral("going");
    switch (RunRecord::Ending(ending)) {
    case RunRecord::Ending::Done:
        return QStringLiteral("done");
    case RunRecord::Ending::Stopped:
        return QStringLiteral("stopped");
    case RunRecord::Ending::Interrupted:
        break;
    }
    return QStringLiteral("interrupted");
}

void RecentRunsDialog::refresh()
{
    const RunStore* store = m_workspace.runStore();
    QVector<RunRecord> runs = store ? store->queries().runs() : QVector<RunRecord>();
    // A re-check makes no rows to put back; its checks are for the next re-check.
    runs.removeIf(
        [](const RunRecord& run) { return run.context == QLatin1String(RecheckRun::StoreContext); });
    QTableWidget* table = m_ui->RunsTable;
    table->setRowCount(int(runs.size()));
    m_ids.clear();
    for (int r = 0; r < runs.size(); ++r) {
        const RunRecord& run = runs[r];
        m_ids.append(run.id);
        const QStringList cells = {
            QDateTime::fromMSecsSinceEpoch(run.startedAt).toString(QStringLiteral("yyyy-MM-dd HH:mm")),
            QString::number(run.listSize), QString::number(run.rows), endingText(run.live, int(run.ending))};
        for (int c = 0; c < cells.size(); ++c)
            table->setItem(r, c, new QTableWidgetItem(cells[c]));
    }
    table->resizeColumnsToContents();
    if (!runs.isEmpty())
        table->selectRow(0);
    m_ui->PutRowsBackButton->setEnabled(!runs.isEmpty());
}

void RecentRunsDialog::putRowsBack()
{
    const int row = m_ui->RunsTable->currentRow();
    const RunStore* store = m_workspace.runStore();
    if (!store || row < 0 || row >= m_ids.size() || !m_workspace.results().isUserEditable())
        return;
    RunJournalFeed::putRowsBack(m_workspace.results(), store->queries().rows(m_ids[row]));
}
