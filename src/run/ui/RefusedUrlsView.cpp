#include "run/ui/RefusedUrlsView.h"

#include "run/RefusedUrlsModel.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QMenu>
#include <QSortFilterProxyModel>
#include <algorithm>

RefusedUrlsView::RefusedUrlsView(RefusedUrlsModel& model, QWidget* parent)
    : QTableView(parent), m_model(model), m_sorted(new QSortFilterProxyModel(this)), m_menu(new QMenu(this))
{
    setObjectName(QStringLiteral("RefusedView"));
    m_sorted->setSourceModel(&m_model);
    m_sorted->setSortRole(Qt::UserRole);
    m_sorted->setSortCaseSensitivity(Qt::CaseInsensitive);
    setModel(m_sorted);
    setSortingEnabled(true);
    sortByColumn(RefusedUrlsModel::Index, Qt::AscendingOrder);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    horizontalHeader()->setStretchLastSection(true);
    setColumnWidth(RefusedUrlsModel::Index, 50);
    setColumnWidth(RefusedUrlsModel::Url, 260);
    setColumnWidth(RefusedUrlsModel::Outcome, 80);
    setColumnWidth(RefusedUrlsModel::Reason, 260);
    setColumnWidth(RefusedUrlsModel::StatusLine, 150);
    // The link-back verdict is read beside the outcome, not after the
    // response's details far to the right.
    horizontalHeader()->moveSection(RefusedUrlsModel::LinkBack, RefusedUrlsModel::Outcome + 1);
    setColumnWidth(RefusedUrlsModel::LinkBack, 110);

    QAction* copy = m_menu->addAction(QStringLiteral("&Copy"));
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetShortcut);
    addAction(copy);
    m_test = m_menu->addAction(QStringLiteral("Test this URL"));
    connect(copy, &QAction::triggered, this, &RefusedUrlsView::copySelection);
    connect(m_test, &QAction::triggered, this, [this] {
        if (!m_menuUrl.isEmpty())
            Q_EMIT testRequested(m_menuUrl);
    });
}

QString RefusedUrlsView::selectedText() const
{
    QList<QModelIndex> shown = selectionModel()->selectedRows();
    std::sort(shown.begin(), shown.end(),
              [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    QList<int> rows;
    for (const QModelIndex& index : shown)
        rows.append(m_sorted->mapToSource(index).row());
    return m_model.text(rows);
}

void RefusedUrlsView::copySelection()
{
    const QString text = selectedText();
    if (!text.isEmpty())
        QGuiApplication::clipboard()->setText(text);
}

void RefusedUrlsView::contextMenuEvent(QContextMenuEvent* event)
{
    // The line under the pointer, or the current one for the menu key.
    const QModelIndex at = event->reason() == QContextMenuEvent::Mouse
                               ? indexAt(viewport()->mapFromGlobal(event->globalPos()))
                               : currentIndex();
    const QModelIndex source = m_sorted->mapToSource(at);
    m_menuUrl = source.isValid() ? m_model.lines().at(source.row()).url : QString();
    m_test->setEnabled(!m_menuUrl.isEmpty());
    // popup(), not exec(): the menu runs in the window's own event loop.
    m_menu->popup(event->globalPos());
    event->accept();
}
