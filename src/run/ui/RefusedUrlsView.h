#pragma once

#include <QTableView>

class QAction;
class QMenu;
class QSortFilterProxyModel;
class RefusedUrlsModel;

// The table of the URLs that got no row in the last run, each with its
// outcome and reason. A click on a heading sorts by that column; Ctrl+C and
// "Copy" copy the selected lines as tab-separated text, and "Test this URL"
// asks for the configuration test of the line under the pointer.
class RefusedUrlsView : public QTableView
{
    Q_OBJECT

public:
    explicit RefusedUrlsView(RefusedUrlsModel& model, QWidget* parent = nullptr);

    // The selected lines, in the order shown, as Ctrl+C copies them.
    QString selectedText() const;
    QMenu* contextMenu() const { return m_menu; }

Q_SIGNALS:
    void testRequested(const QString& url);

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void copySelection();

    RefusedUrlsModel& m_model;
    QSortFilterProxyModel* m_sorted;
    QMenu* m_menu;
    QAction* m_test;
    QString m_menuUrl; // the URL the open menu's "Test this URL" is for
};
