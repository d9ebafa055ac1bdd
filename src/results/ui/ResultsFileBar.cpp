#include "results/ui/ResultsFileBar.h"

#include "platform/ui/AppMessageBox.h"
#include "platform/ui/WaitCursor.h"
#include "results/AsciiDatabase.h"
#include "results/ResultsTable.h"
#include "results/SpreadsheetExporter.h"
#include "results/ui/SpreadsheetExportDialog.h"
#include "settings/ProgramFolder.h"
#include "settings/Settings.h"
#include "ui_ResultsFileBar.h"

ResultsFileBar::ResultsFileBar(QWidget* parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::ResultsFileBar>())
{
    m_ui->setupUi(this);
}

ResultsFileBar::~ResultsFileBar() = default;

void ResultsFileBar::attach(ResultsTable& table, const Settings& settings, const ProgramFolder& folder,
                            SpreadsheetExporter& exporter)
{
    m_table = &table;
    m_settings = &settings;
    m_folder = &folder;
    m_exporter = &exporter;
    SpreadsheetExportDialog::attach(exporter, this);
    connect(m_ui->Command34, &QPushButton::clicked, this, &ResultsFileBar::save);
    connect(m_ui->Command35, &QPushButton::clicked, this, &ResultsFileBar::load);
    connect(m_ui->Command41, &QPushButton::clicked, this, &ResultsFileBar::exportTable);
}

bool ResultsFileBar::save()
{
    SaveOutcome outcome;
    {
        const WaitCursor wait;
        outcome = SaveResults(*m_table, m_settings->snapshot(), *m_folder);
    }
    if (outcome.ok) {
        m_table->setModified(false);
        return true;
    }
    AppMessageBox::open(this, QMessageBox::Warning, outcome.message(), QStringLiteral("SaveFailure"));
    Q_EMIT saveFailed(outcome.message());
    return false;
}

void ResultsFileBar::load()
{
    const WaitCursor wait;
    LoadResults(*m_table, m_settings->snapshot(), *m_folder);
    m_table->setModified(false);
}

void ResultsFileBar::exportTable()
{
    // An export still being written refuses a second one; the click is then lost.
    m_exporter->exportTable(*m_table, m_table->tableRowCount(), ResultsTable::Columns, 1, QString());
}
