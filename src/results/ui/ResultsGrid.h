#pragma once

#include <QTableView>

class QAction;
class QMenu;
class ResultsTable;

// The view of the results table on the "4. Data" area. The "#" column is fixed:
// it never becomes the current cell and, drawn by an overlay view, stays in
// place while the other columns scroll sideways. A right press never moves the
// selection, so the context menu acts on the row selected before the click.
class ResultsGrid : public QTableView
{
    Q_OBJECT

public:
    explicit ResultsGrid(QWidget* parent = nullptr);

    void setResultsTable(ResultsTable* table);
    ResultsTable* resultsTable() const { return m_table; }

    static double twipsPerPixel(const QWidget* widget);
    // Sets the widths from the grid's current width. Runs on every resize, so
    // a width the user dragged by hand lasts until the next one.
    void applyColumnWidths();

    // Table row (header = 0) of the selection's moving end, or -1 without one.
    int selectionEndRow() const;
    // Removes the selection's end row unless it is the last data row or the
    // table is locked by a run; returns whether a row went.
    bool removeSelectedRow();

    QMenu* contextMenu() const { return m_menu; }
    QAction* removeRowAction() const { return m_removeRow; }
    QTableView* frozenColumnView() const { return m_frozen; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
    void updateGeometries() override;
    void setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) override;

public Q_SLOTS:
    void selectAll() override;

private:
    void setUpFrozenColumn();
    void placeFrozenColumn();
    void ensureCurrentCell();
    bool inFixedColumn(const QPoint& viewportPos) const;

    ResultsTable* m_table = nullptr;
    QTableView* m_frozen = nullptr;
    QMenu* m_menu = nullptr;
    QAction* m_removeRow = nullptr;
};
