#pragma once

#include <QDialog>
#include <QVector>
#include <memory>

class Workspace;

namespace Ui {
class RecentRunsDialog;
}

// "Recent runs…": the runs the journal keeps, newest first, each with when it
// started, how many URLs its list held, the rows it made and how it ended. The
// rows of the selected run can be put back into the grid. Opened with open().
class RecentRunsDialog : public QDialog
{
    Q_OBJECT

public:
    RecentRunsDialog(Workspace& workspace, QWidget* parent = nullptr);
    ~RecentRunsDialog() override;

    // Reads the stored runs again.
    void refresh();
    // Replaces the results table's rows with the rows of the selected run.
    void putRowsBack();

    // "done", "stopped", "interrupted" or "going".
    static QString endingText(bool live, int ending);

private:
    std::unique_ptr<Ui::RecentRunsDialog> m_ui;
    Workspace& m_workspace;
    QVector<qint64> m_ids; // the stored run of each table row
};
