#pragma once

#include <QDialog>
#include <memory>

class RecheckModel;
class RecheckRun;
class Workspace;

namespace Ui {
class RecheckDialog;
}

// "Recheck links back": the re-check of the pages of the grid's rows, with
// its progress, then its summary line and its pages, the changes first. The
// grid, its rows and every file stay as they are. It fetches as the window's
// runs do, with the run preferences as they are when it starts. Opened with
// open(); the re-check stops when the dialog goes.
class RecheckDialog : public QDialog
{
    Q_OBJECT

public:
    explicit RecheckDialog(Workspace& workspace, QWidget* parent = nullptr);
    ~RecheckDialog() override;

    // Starts the re-check; false (and a message in the dialog) when there is
    // nothing to check or no site set.
    bool start();
    const RecheckRun* run() const { return m_run.get(); }
    QString summaryText() const;

Q_SIGNALS:
    void recheckFinished();

private:
    void onFinished();

    std::unique_ptr<Ui::RecheckDialog> m_ui;
    Workspace& m_workspace;
    RecheckModel* m_model;
    std::unique_ptr<RecheckRun> m_run;
};
