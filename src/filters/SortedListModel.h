#pragma once

#include <QAbstractListModel>
#include <QItemSelectionModel>
#include <QStringList>
#include <functional>

// An ordered list of texts kept in ascending order without regard to letter
// case; a new entry goes to its sorted place (after equal entries). Duplicates
// are kept. It owns its selection model, so views share one selection and the
// commands that act on "the selected entries" or "the current entry" work
// without a view. Serves the link list, the bad words, the bad URLs and the
// valid status codes.
class SortedListModel : public QAbstractListModel
{
    Q_OBJECT

public:
    explicit SortedListModel(QObject* parent = nullptr);

    int count() const { return int(m_entries.size()); }
    QString at(int row) const { return m_entries.value(row); }
    const QStringList& entries() const { return m_entries; }

    // Inserts one entry at its sorted place; returns its row.
    int add(const QString& text);
    // Adds many entries at once (one model reset): cheap for large harvests.
    void addMany(const QStringList& texts);
    // Replaces the whole content; the texts are sorted.
    void setEntries(const QStringList& texts);
    void clear();
    void removeAt(int row);

    // Removes the selected entries, walking from the last to the first: the
    // "Remove Selected" command of every list.
    void removeSelectedItems();
    // Selected rows in ascending order.
    QList<int> selectedRows() const;
    // Row of the current entry, or -1.
    int currentRow() const;

    QItemSelectionModel* selectionModel() const { return m_selection; }

    // Case-insensitive ordering used for every insertion.
    static bool lessThan(const QString& a, const QString& b);

    // Gives an entry's tooltip (e.g. when that URL was last checked), asked
    // for only when a view shows one. None by default.
    void setToolTips(std::function<QString(const QString& entry)> toolTipOf) { m_toolTipOf = std::move(toolTipOf); }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

Q_SIGNALS:
    void countChanged(int count);

private:
    QStringList m_entries;
    QItemSelectionModel* m_selection;
    std::function<QString(const QString&)> m_toolTipOf;
};
