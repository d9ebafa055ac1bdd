#pragma once

#include <QPersistentModelIndex>
#include <QTextEdit>

class ResultsGrid;

// The editor of one cell of the results grid: a double click on a data cell
// opens it over the cell, half the grid wide, with the cell's whole text;
// leaving it writes its text back into the cell. It lies beside the grid, in
// the grid's parent, so that it may reach past the cell's column.
class CellEditor : public QTextEdit
{
    Q_OBJECT

public:
    explicit CellEditor(QWidget* parent = nullptr);

    // Opens on grid's data cells; grid must share this editor's parent.
    void attach(ResultsGrid* grid);
    // Opens the editor over the grid's current data cell.
    void beginEdit();
    // Writes the editor's whole text into the cell it was opened on and hides it.
    void commit();

protected:
    void focusOutEvent(QFocusEvent* event) override;

private:
    ResultsGrid* m_grid = nullptr;
    QPersistentModelIndex m_editing;
};
