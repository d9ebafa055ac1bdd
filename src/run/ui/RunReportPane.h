#pragma once

#include "run/RefusedUrlsModel.h"

#include <QWidget>
#include <memory>

class BatchRun;
class RefusedUrlsView;
class Workspace;

namespace Ui {
class RunReportPane;
}

// The run report as the "4. Data" area shows it over the grid: each URL of
// the last run with its outcome and why, under a bar that chooses which of
// them are shown. "Test this URL" on a line asks for the configuration test.
// Hidden until the area shows it.
class RunReportPane : public QWidget
{
    Q_OBJECT

public:
    // The run and the workspace must outlive the pane.
    RunReportPane(Workspace& workspace, BatchRun& run, QWidget* parent = nullptr);
    ~RunReportPane() override;

    const RefusedUrlsModel& model() const { return m_model; }
    RefusedUrlsView* view() const { return m_view; }
    // Shows the pane on top of what lies under it, with the focus on its lines.
    void setShown(bool shown);

private:
    std::unique_ptr<Ui::RunReportPane> m_ui;
    RefusedUrlsModel m_model;
    RefusedUrlsView* m_view = nullptr;
};
