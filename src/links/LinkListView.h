#pragma once

#include <QListView>

// The link list on screen. The right mouse button never touches the selection
// or the current entry: it only asks for the pop-up menu, which then acts on
// the entries selected before the click.
class LinkListView : public QListView
{
    Q_OBJECT

public:
    explicit LinkListView(QWidget* parent = nullptr);

Q_SIGNALS:
    // The right button went down over the list, at this global position.
    void menuRequested(const QPoint& globalPos);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
};
