#include "links/LinkListView.h"

#include <QMouseEvent>

LinkListView::LinkListView(QWidget* parent) : QListView(parent)
{
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setUniformItemSizes(true); // keeps a list of many thousand links quick to lay out
    // Every right-button event comes to the mouse handlers below instead of
    // turning into a context-menu event for the parent.
    setContextMenuPolicy(Qt::PreventContextMenu);
}

void LinkListView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::RightButton) {
        // The base class would select the entry under the pointer.
        event->accept();
        emit menuRequested(event->globalPosition().toPoint());
        return;
    }
    QListView::mousePressEvent(event);
}

void LinkListView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::RightButton) {
        // The base class would take a release over the last left-pressed entry for a click.
        event->accept();
        return;
    }
    QListView::mouseReleaseEvent(event);
}

void LinkListView::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        // Only a left double-click opens an entry; a quick second right press
        // is one more menu request.
        mousePressEvent(event);
        return;
    }
    QListView::mouseDoubleClickEvent(event);
}
