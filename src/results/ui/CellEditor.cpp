#include "results/ui/CellEditor.h"

#include "results/ResultsTable.h"
#include "results/ui/ResultsGrid.h"

#include <QFocusEvent>

CellEditor::CellEditor(QWidget* parent) : QTextEdit(parent)
{
    hide();
    setAcceptRichText(false);
    // A tab in a cell would only spoil the delimited file; Tab leaves the cell.
    setTabChangesFocus(true);
    document()->setDocumentMargin(1);
}

void CellEditor::attach(ResultsGrid* grid)
{
    m_grid = grid;
    connect(m_grid, &QAbstractItemView::doubleClicked, this, [this] { beginEdit(); });
}

void CellEditor::beginEdit()
{
    const QModelIndex current = m_grid->currentIndex();
    // A running batch makes the table read-only through its flags.
    if (!current.isValid() || current.column() < 1 || !(current.flags() & Qt::ItemIsEditable))
        return;
    m_editing = current;
    setPlainText(current.data(Qt::EditRole).toString());
    const QRect cell = m_grid->visualRect(current);
    const QPoint topLeft = m_grid->viewport()->mapTo(parentWidget(), cell.topLeft());
    setGeometry(topLeft.x(), topLeft.y(), m_grid->width() / 2, cell.height());
    raise();
    show();
    moveCursor(QTextCursor::End);
    setFocus(Qt::OtherFocusReason);
}

void CellEditor::commit()
{
    if (isHidden())
        return;
    const QPersistentModelIndex target = m_editing;
    m_editing = QPersistentModelIndex();
    // Hidden first: moving the focus below sends the editor another focus-out.
    hide();
    // A row that vanished meanwhile (a load replaced the table) takes nothing.
    if (target.isValid() && m_grid->resultsTable())
        m_grid->resultsTable()->setData(target, toPlainText(), Qt::EditRole);
    m_grid->setFocus(Qt::OtherFocusReason);
}

void CellEditor::focusOutEvent(QFocusEvent* event)
{
    // The editor's own context menu and a switch to another window leave
    // the edit open; any other move of the focus ends it.
    if (event->reason() != Qt::PopupFocusReason && event->reason() != Qt::ActiveWindowFocusReason)
        commit();
    QTextEdit::focusOutEvent(event);
}
