#pragma once

#include <QListView>

class SortedListModel;

// The list control of the link list and of the pattern-list editors: several
// entries can be selected (click, Shift+click, Ctrl+click), and the right
// button never touches the selection or the current entry. It only asks for
// the list's pop-up menu, which then acts on the entries selected before.
class MenuListView : public QListView
{
    Q_OBJECT

public:
    explicit MenuListView(QWidget* parent = nullptr);

    // Shows list with the list's own selection model, so that the commands
    // on "the selected entries" or "the current entry" see what the view shows.
    void showList(SortedListModel& list);

Q_SIGNALS:
    // The menu is wanted at this global position.
    void menuRequested(const QPoint& globalPos);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
};
