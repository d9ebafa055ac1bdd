#include "run/ui/RunStripWidget.h"

#include "platform/ui/AppMessageBox.h"
#include "run/BatchRun.h"
#include "run/RunTableFeed.h"
#include "settings/RunPreferencesHolder.h"
#include "ui_RunStripWidget.h"

#include <QSpinBox>

RunStripWidget::RunStripWidget(QWidget* parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::RunStripWidget>())
{
    m_ui->setupUi(this);
}

RunStripWidget::~RunStripWidget() = default;

void RunStripWidget::attach(RunPreferencesHolder& preferences, BatchRun& run, RunTableFeed& feed)
{
    // The connections, the connections per host and the time-out are the
    // user's own choice, kept apart from the settings file in preferences.ini,
    // which every run in this process reads; the run follows them as they
    // change.
    m_preferences = &preferences;
    m_ui->ConnectionsBox->setValue(preferences.values().connections());
    m_ui->ConnectionsPerHostBox->setValue(preferences.values().connectionsPerHost());
    m_ui->TimeoutBox->setValue(preferences.values().timeoutSeconds());
    run.setPreferences(preferences.values());
    connect(&preferences, &RunPreferencesHolder::changed, &run, &BatchRun::setPreferences);
    for (QSpinBox* box : {m_ui->ConnectionsBox, m_ui->ConnectionsPerHostBox, m_ui->TimeoutBox})
        connect(box, &QSpinBox::valueChanged, this, &RunStripWidget::changePreferences);

    connect(&feed, &RunTableFeed::paceChanged, m_ui->PaceLabel, &QLabel::setText);
    m_ui->PaceLabel->setText(feed.paceText());
    connect(&run, &BatchRun::runningChanged, this, &RunStripWidget::setRunning);
    setRunning(run.isRunning());
}

QPushButton* RunStripWidget::retryButton() const
{
    return m_ui->RetryFailedButton;
}

QPushButton* RunStripWidget::recentButton() const
{
    return m_ui->RecentRunsButton;
}

QPushButton* RunStripWidget::recheckButton() const
{
    return m_ui->RecheckButton;
}

QPushButton* RunStripWidget::reportToggle() const
{
    return m_ui->RefusedToggle;
}

void RunStripWidget::setReportCount(int count)
{
    m_ui->RefusedToggle->setText(QStringLiteral("Refused URLs (%1)").arg(count));
}

void RunStripWidget::setRunning(bool running)
{
    const QList<QWidget*> controls = {m_ui->ConnectionsBox, m_ui->ConnectionsPerHostBox, m_ui->TimeoutBox,
                                      m_ui->RecheckButton};
    for (QWidget* control : controls)
        control->setEnabled(!running);
}

void RunStripWidget::changePreferences()
{
    RunPreferences values = m_preferences->values();
    values.setConnections(m_ui->ConnectionsBox->value());
    values.setConnectionsPerHost(m_ui->ConnectionsPerHostBox->value());
    values.setTimeoutSeconds(m_ui->TimeoutBox->value());
    const SaveOutcome saved = m_preferences->change(values);
    if (!saved.ok)
        AppMessageBox::open(this, QMessageBox::Warning, saved.message(),
                            QStringLiteral("PreferencesFailure"));
}
