#pragma once

#include <QListView>

// The list control of the pattern-list editors: several entries can be
// selected (click, Shift+click, Ctrl+click), and a right press asks for the
// list's pop-up menu without touching the selection, so the menu acts on the
// entries the user selected before.
class ListEditorView : public QListView
{
    Q_OBJECT

public:
    explicit ListEditorView(QWidget* parent = nullptr);

Q_SIGNALS:
    void menuRequested(const QPoint& globalPos);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
};
