#pragma once

#include <QWidget>
#include <memory>

class BatchRun;
class QPushButton;
class RunPreferencesHolder;
class RunTableFeed;

namespace Ui {
class RunStripWidget;
}

// The strip of run controls under the results grid: the connections in all
// and per host and the time-out, which are the user's run preferences and
// saved as soon as they change; the run's pace; and the buttons for the run
// history, the link-back re-check and the run report, which the area wires.
class RunStripWidget : public QWidget
{
    Q_OBJECT

public:
    explicit RunStripWidget(QWidget* parent = nullptr);
    ~RunStripWidget() override;

    // Shows the preferences in the boxes and keeps the run on them; shows the
    // feed's pace. The three must outlive the strip.
    void attach(RunPreferencesHolder& preferences, BatchRun& run, RunTableFeed& feed);

    QPushButton* retryButton() const;
    QPushButton* recentButton() const;
    QPushButton* recheckButton() const;
    // "Refused URLs (N)": down while the run report lies over the grid.
    QPushButton* reportToggle() const;
    void setReportCount(int count);

private:
    void setRunning(bool running);
    void changePreferences();

    std::unique_ptr<Ui::RunStripWidget> m_ui;
    RunPreferencesHolder* m_preferences = nullptr;
};
