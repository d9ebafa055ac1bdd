#include "run/ui/RunReportPane.h"

#include "run/BatchRun.h"
#include "run/ui/RefusedUrlsView.h"
#include "ui_RunReportPane.h"
#include "workspace/Workspace.h"

#include <QComboBox>

RunReportPane::RunReportPane(Workspace& workspace, BatchRun& run, QWidget* parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::RunReportPane>())
{
    m_ui->setupUi(this);
    m_view = new RefusedUrlsView(m_model, this);
    m_ui->runReportLayout->addWidget(m_view);
    hide();

    for (const UrlOutcome& outcome : run.outcomes())
        m_model.add(outcome.reportLine());
    connect(&run, &BatchRun::started, this, [this] { m_model.clear(); });
    connect(&run, &BatchRun::outcomeAdded, this,
            [this](const UrlOutcome& outcome) { m_model.add(outcome.reportLine()); });
    connect(m_view, &RefusedUrlsView::testRequested, &workspace, &Workspace::requestTest);
    m_ui->ReportFilter->setCurrentIndex(int(RefusedUrlsModel::Filter::Refused));
    connect(m_ui->ReportFilter, &QComboBox::currentIndexChanged, this,
            [this](int index) { m_model.setFilter(RefusedUrlsModel::Filter(index)); });
}

RunReportPane::~RunReportPane() = default;

void RunReportPane::setShown(bool shown)
{
    setVisible(shown);
    if (shown) {
        raise();
        m_view->setFocus(Qt::OtherFocusReason);
    }
}
