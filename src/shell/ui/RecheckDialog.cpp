#include "shell/ui/RecheckDialog.h"

#include "run/LinkBackSetup.h"
#include "run/RecheckModel.h"
#include "run/RecheckRun.h"
#include "run/RecheckSource.h"
#include "ui_RecheckDialog.h"
#include "workspace/Workspace.h"

#include <QHeaderView>

RecheckDialog::RecheckDialog(Workspace& workspace, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::RecheckDialog>()), m_workspace(workspace),
      m_model(new RecheckModel(this))
{
    m_ui->setupUi(this);
    m_ui->RecheckTable->setModel(m_model);
    m_ui->RecheckTable->verticalHeader()->hide();
    m_ui->RecheckTable->horizontalHeader()->setStretchLastSection(true);
    m_ui->RecheckTable->setColumnWidth(RecheckModel::Change, 170);
    m_ui->RecheckTable->setColumnWidth(RecheckModel::Url, 260);
    m_ui->RecheckTable->setColumnWidth(RecheckModel::LinkBack, 120);
    m_ui->RecheckTable->setColumnWidth(RecheckModel::Previous, 100);
    m_ui->RecheckTable->setColumnWidth(RecheckModel::PreviousDate, 120);
    connect(m_ui->Buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

RecheckDialog::~RecheckDialog() = default;

QString RecheckDialog::summaryText() const
{
    return m_ui->SummaryLabel->text();
}

bool RecheckDialog::start()
{
    const RunPreferences& preferences = m_workspace.preferences().values();
    const LinkBackSetup setup = LinkBackSetup::from(preferences.linkBack());
    const QStringList urls = RecheckSource::fromTable(m_workspace.results());
    if (!setup.isOn()) {
        m_ui->SummaryLabel->setText(QStringLiteral("Set your site in \"My sites:\" in \"3. Config\" first."));
        return false;
    }
    if (urls.isEmpty()) {
        m_ui->SummaryLabel->setText(QStringLiteral("The grid has no row to recheck."));
        return false;
    }
    m_run = std::make_unique<RecheckRun>(urls, setup, m_workspace.runStore(), preferences.fetchOptions());
    m_run->setFetchLimits(preferences.limits());
    m_ui->RecheckProgress->setRange(0, int(urls.size()));
    connect(m_run.get(), &RecheckRun::progressed, this, [this](int done, int count) {
        m_ui->RecheckProgress->setValue(done);
        m_ui->SummaryLabel->setText(QStringLiteral("Rechecking: %1 of %2").arg(done).arg(count));
    });
    connect(m_run.get(), &RecheckRun::finished, this, &RecheckDialog::onFinished);
    m_run->start();
    return true;
}

void RecheckDialog::onFinished()
{
    m_model->setLines(m_run->changesFirst());
    m_ui->SummaryLabel->setText(m_run->summary());
    m_ui->RecheckProgress->hide();
    Q_EMIT recheckFinished();
}
