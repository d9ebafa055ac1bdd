#pragma once

#include "results/SpreadsheetExporter.h"
#include "run/BatchRun.h"
#include "shell/ui/DataArea.h"
#include "store/RunStore.h"
#include "workspace/Workspace.h"

#include <QTemporaryDir>
#include <QTest>
#include <memory>

class QLabel;
class QPushButton;
class ResultsGrid;

// A double click as a mouse gives it: a click, then the second press that the
// double-click event follows (QTest's double click alone has no press).
void doubleClick(QWidget* widget, QPoint pos);

// One "4. Data" area on its own, as the main window builds it: a workspace in
// a temporary program folder, a batch run over its lists, and an exporter that
// writes into the folder and opens the workbook with `openWith` (a program that
// does not exist makes every export fail after the write).
class DataAreaFixture
{
public:
    explicit DataAreaFixture(const QString& openWith = QStringLiteral("quillmark-no-such-program"));
    ~DataAreaFixture();

    // Shows the area and waits until it can take the keyboard focus.
    bool show();

    template <typename T> T* find(const char* name) const
    {
        return area->findChild<T*>(QString::fromLatin1(name));
    }
    QPushButton* button(const char* name) const;
    QLabel* label(const char* name) const;
    ResultsGrid* grid() const;
    QString cell(int tableRow, int column) const;
    // Rows as "#|Title|Email|Description|URL" texts, header left out.
    QStringList dataRows() const;
    // Replaces the table by these data rows, each "#|Title|Email|Description|URL".
    void setDataRows(const QStringList& rows);
    // "My sites:" as "3. Config" sets it: in the workspace's preferences.
    void setMySites(const QStringList& sites);

    QTemporaryDir dir;
    std::unique_ptr<Workspace> workspace;
    std::unique_ptr<BatchRun> run;
    std::unique_ptr<SpreadsheetExporter> exporter;
    std::unique_ptr<DataArea> area;
};
