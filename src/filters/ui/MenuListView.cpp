#include "filters/ui/MenuListView.h"

#include "filters/SortedListModel.h"

#include <QContextMenuEvent>
#include <QMouseEvent>

MenuListView::MenuListView(QWidget* parent) : QListView(parent)
{
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setUniformItemSizes(true); // keeps a list of many thousand links quick to lay out
}

void MenuListView::showList(SortedListModel& list)
{
    setModel(&list);
    // setModel() made a selection model of the view's own; the list's replaces it.
    QItemSelectionModel* own = selectionModel();
    setSelectionModel(list.selectionModel());
    if (own != list.selectionModel())
        delete own;
}

void MenuListView::mousePressEvent(QMouseEvent* event)
{
    // The base class would select the entry under the pointer for any button.
    if (event->button() == Qt::RightButton) {
        event->accept();
        Q_EMIT menuRequested(event->globalPosition().toPoint());
        return;
    }
    QListView::mousePressEvent(event);
}

void MenuListView::mouseReleaseEvent(QMouseEvent* event)
{
    // The base class would take a release over the last left-pressed entry for a click.
    if (event->button() == Qt::RightButton) {
        event->accept();
        return;
    }
    QListView::mouseReleaseEvent(event);
}

void MenuListView::mouseDoubleClickEvent(QMouseEvent* event)
{
    // Only a left double-click opens an entry; a quick second right press is
    // one more menu request.
    if (event->button() != Qt::LeftButton) {
        mousePressEvent(event);
        return;
    }
    QListView::mouseDoubleClickEvent(event);
}

void MenuListView::contextMenuEvent(QContextMenuEvent* event)
{
    // The mouse already asked for the menu on its press; the keyboard's menu
    // key opens it at the current entry.
    event->accept();
    if (event->reason() == QContextMenuEvent::Mouse)
        return;
    const QRect current = visualRect(currentIndex());
    const QPoint local = current.isValid() ? current.center() : QPoint(0, 0);
    Q_EMIT menuRequested(viewport()->mapToGlobal(local));
}
