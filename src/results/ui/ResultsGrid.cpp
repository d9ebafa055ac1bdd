#include "results/ui/ResultsGrid.h"

#include "results/ResultsColumnWidths.h"
#include "results/ResultsTable.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>
#include <cmath>

ResultsGrid::ResultsGrid(QWidget* parent) : QTableView(parent)
{
    setObjectName(QStringLiteral("MSFlexGrid1"));
    verticalHeader()->hide();
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(false);
    // The widths come from the grid's width alone, however narrow that makes "#".
    horizontalHeader()->setMinimumSectionSize(1);
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    // Cells are edited in the area's own editor, never in Qt's in-place one.
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(false);
    setWordWrap(false);
    // Per-pixel scrolling keeps the first data column from sliding under the
    // fixed "#" column by a whole column at a time.
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);

    // Rows as low as the text allows, as a spreadsheet shows them, not the
    // style's roomy default.
    const int rowHeight = fontMetrics().height() + 6;
    verticalHeader()->setMinimumSectionSize(rowHeight);
    verticalHeader()->setDefaultSectionSize(rowHeight);

    m_menu = new QMenu(this);
    m_menu->setObjectName(QStringLiteral("mnupopup1"));
    m_removeRow = m_menu->addAction(tr("Remove Selected Row"));
    m_removeRow->setObjectName(QStringLiteral("mnuRemoveRow"));
    connect(m_removeRow, &QAction::triggered, this, [this] { removeSelectedRow(); });

    setUpFrozenColumn();
}

void ResultsGrid::setUpFrozenColumn()
{
    m_frozen = new QTableView(this);
    m_frozen->setObjectName(QStringLiteral("MSFlexGrid1FixedColumn"));
    m_frozen->setFocusPolicy(Qt::NoFocus);
    m_frozen->verticalHeader()->hide();
    m_frozen->verticalHeader()->setMinimumSectionSize(verticalHeader()->minimumSectionSize());
    m_frozen->verticalHeader()->setDefaultSectionSize(verticalHeader()->defaultSectionSize());
    m_frozen->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_frozen->horizontalHeader()->setHighlightSections(false);
    m_frozen->horizontalHeader()->setMinimumSectionSize(1);
    m_frozen->setFrameShape(QFrame::NoFrame);
    m_frozen->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_frozen->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_frozen->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_frozen->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_frozen->setWordWrap(false);
    // Every press, wheel turn and right click falls through to the grid below,
    // which knows that this strip is the fixed column.
    m_frozen->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_frozen->viewport()->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_frozen->horizontalHeader()->setAttribute(Qt::WA_TransparentForMouseEvents);
    viewport()->stackUnder(m_frozen);
    m_frozen->hide();

    connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this](int logical, int, int newSize) {
        if (logical == 0 && m_frozen->model() != nullptr) {
            m_frozen->setColumnWidth(0, newSize);
            placeFrozenColumn();
        }
    });
    connect(verticalHeader(), &QHeaderView::sectionResized, this,
            [this](int logical, int, int newSize) { m_frozen->setRowHeight(logical, newSize); });
    connect(verticalScrollBar(), &QAbstractSlider::valueChanged, m_frozen->verticalScrollBar(),
            &QAbstractSlider::setValue);
    connect(m_frozen->verticalScrollBar(), &QAbstractSlider::valueChanged, verticalScrollBar(),
            &QAbstractSlider::setValue);
    // The strip lays out its rows later than the grid; until then its range is
    // too short to take the grid's position.
    connect(m_frozen->verticalScrollBar(), &QAbstractSlider::rangeChanged, this,
            [this] { m_frozen->verticalScrollBar()->setValue(verticalScrollBar()->value()); });
}

void ResultsGrid::setResultsTable(ResultsTable* table)
{
    m_table = table;
    setModel(table);
    m_frozen->setModel(table);
    m_frozen->setSelectionModel(selectionModel());
    if (table != nullptr) {
        for (int column = 1; column < table->columnCount(); ++column)
            m_frozen->setColumnHidden(column, true);
        m_frozen->setColumnWidth(0, columnWidth(0));
        connect(table, &QAbstractItemModel::modelReset, this, &ResultsGrid::ensureCurrentCell);
        connect(table, &QAbstractItemModel::rowsInserted, this, &ResultsGrid::ensureCurrentCell);
        connect(table, &QAbstractItemModel::rowsRemoved, this, &ResultsGrid::ensureCurrentCell);
        connect(table, &QAbstractItemModel::layoutChanged, this, &ResultsGrid::ensureCurrentCell);
        m_frozen->show();
    } else {
        m_frozen->hide();
    }
    applyColumnWidths();
    ensureCurrentCell();
    placeFrozenColumn();
}

double ResultsGrid::twipsPerPixel(const QWidget* widget)
{
    const int dpi = widget->logicalDpiX();
    return dpi > 0 ? 1440.0 / dpi : 15.0;
}

void ResultsGrid::applyColumnWidths()
{
    if (model() == nullptr)
        return;
    // The same widths the window's layout pass computes, from the grid's width
    // as the screen snapped it, so that whoever resizes the grid gets them.
    const double tpp = twipsPerPixel(this);
    const auto twips = ResultsColumnWidths::forTableWidth(int(std::lround(width() * tpp)));
    for (int column = 0; column < int(twips.size()) && column < model()->columnCount(); ++column)
        setColumnWidth(column, int(std::lround(twips[column] / tpp)));
}

int ResultsGrid::selectionEndRow() const
{
    const QModelIndex current = currentIndex();
    return current.isValid() ? current.row() + 1 : -1;
}

bool ResultsGrid::removeSelectedRow()
{
    // A run addresses its rows by its own count; a removal under it would make
    // it write into the wrong row.
    if (m_table == nullptr || !m_table->isUserEditable())
        return false;
    const int row = selectionEndRow();
    if (row < 1)
        return false;
    return m_table->removeTableRow(row);
}

void ResultsGrid::ensureCurrentCell()
{
    if (model() == nullptr || selectionModel() == nullptr)
        return;
    if (!currentIndex().isValid() && model()->rowCount() > 0 && model()->columnCount() > 1)
        selectionModel()->setCurrentIndex(model()->index(0, 1), QItemSelectionModel::NoUpdate);
}

bool ResultsGrid::inFixedColumn(const QPoint& viewportPos) const
{
    return model() != nullptr && viewportPos.x() < columnWidth(0);
}

void ResultsGrid::resizeEvent(QResizeEvent* event)
{
    QTableView::resizeEvent(event);
    applyColumnWidths();
    placeFrozenColumn();
}

void ResultsGrid::mousePressEvent(QMouseEvent* event)
{
    // The menu must act on the selection made before this click.
    if (event->button() == Qt::RightButton) {
        event->accept();
        return;
    }
    if (inFixedColumn(event->position().toPoint())) {
        event->accept();
        return;
    }
    QTableView::mousePressEvent(event);
}

void ResultsGrid::mouseMoveEvent(QMouseEvent* event)
{
    if ((event->buttons() & Qt::LeftButton) && inFixedColumn(event->position().toPoint())) {
        // A drag into the fixed column ends the selection at the first data column.
        QPointF clamped(columnWidth(0), event->position().y());
        QMouseEvent moved(event->type(), clamped, event->scenePosition(), event->globalPosition(),
                          event->button(), event->buttons(), event->modifiers());
        QTableView::mouseMoveEvent(&moved);
        return;
    }
    QTableView::mouseMoveEvent(event);
}

void ResultsGrid::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || inFixedColumn(event->position().toPoint())) {
        event->accept();
        return;
    }
    QTableView::mouseDoubleClickEvent(event);
}

void ResultsGrid::contextMenuEvent(QContextMenuEvent* event)
{
    m_removeRow->setEnabled(m_table != nullptr && m_table->isUserEditable());
    // popup(), not exec(): the menu runs in the window's own event loop.
    m_menu->popup(event->globalPos());
    event->accept();
}

QModelIndex ResultsGrid::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers)
{
    QModelIndex next = QTableView::moveCursor(cursorAction, modifiers);
    if (next.isValid() && next.column() == 0)
        next = model()->index(next.row(), 1);
    if (next.isValid() && cursorAction == MoveLeft) {
        const int hidden = columnWidth(0) - visualRect(next).left();
        if (hidden > 0)
            horizontalScrollBar()->setValue(horizontalScrollBar()->value() - hidden);
    }
    return next;
}

void ResultsGrid::scrollTo(const QModelIndex& index, ScrollHint hint)
{
    // Scrolling to a "#" cell would only slide data columns under the fixed column.
    if (index.column() > 0)
        QTableView::scrollTo(index, hint);
}

void ResultsGrid::setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command)
{
    if (model() == nullptr)
        return;
    QRect clipped = rect;
    const int firstData = columnViewportPosition(1);
    if (clipped.left() < firstData)
        clipped.setLeft(firstData);
    if (clipped.right() < clipped.left())
        clipped.setRight(clipped.left());
    QTableView::setSelection(clipped, command);
}

void ResultsGrid::selectAll()
{
    if (model() == nullptr || model()->rowCount() == 0 || model()->columnCount() < 2)
        return;
    const QItemSelection all(model()->index(0, 1),
                             model()->index(model()->rowCount() - 1, model()->columnCount() - 1));
    selectionModel()->select(all, QItemSelectionModel::ClearAndSelect);
}

void ResultsGrid::updateGeometries()
{
    QTableView::updateGeometries();
    placeFrozenColumn();
}

void ResultsGrid::placeFrozenColumn()
{
    if (m_frozen == nullptr || model() == nullptr)
        return;
    m_frozen->setGeometry(frameWidth(), frameWidth(), columnWidth(0),
                          viewport()->height() + horizontalHeader()->height());
    m_frozen->horizontalHeader()->setFixedHeight(horizontalHeader()->height());
}
