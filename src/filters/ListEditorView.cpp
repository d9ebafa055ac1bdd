#include "filters/ListEditorView.h"

#include <QContextMenuEvent>
#include <QMouseEvent>

ListEditorView::ListEditorView(QWidget* parent) : QListView(parent)
{
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setUniformItemSizes(true);
}

void ListEditorView::mousePressEvent(QMouseEvent* event)
{
    // The base class would select the entry under the pointer for any button.
    if (event->button() == Qt::RightButton) {
        event->accept();
        Q_EMIT menuRequested(event->globalPosition().toPoint());
        return;
    }
    QListView::mousePressEvent(event);
}

void ListEditorView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::RightButton) {
        event->accept();
        return;
    }
    QListView::mouseReleaseEvent(event);
}

void ListEditorView::contextMenuEvent(QContextMenuEvent* event)
{
    // The mouse already opened the menu on its press; the keyboard's menu key
    // opens it at the current entry.
    if (event->reason() == QContextMenuEvent::Mouse) {
        event->accept();
        return;
    }
    const QRect current = visualRect(currentIndex());
    const QPoint local = current.isValid() ? current.center() : QPoint(0, 0);
    event->accept();
    Q_EMIT menuRequested(viewport()->mapToGlobal(local));
}
