#include "filters/SortedListModel.h"

#include <algorithm>

SortedListModel::SortedListModel(QObject* parent)
    : QAbstractListModel(parent), m_selection(new QItemSelectionModel(this, this))
{}

bool SortedListModel::lessThan(const QString& a, const QString& b)
{
    return QString::compare(a, b, Qt::CaseInsensitive) < 0;
}

int SortedListModel::add(const QString& text)
{
    // upper_bound: an entry equal to existing ones goes after them.
    const auto it = std::upper_bound(m_entries.cbegin(), m_entries.cend(), text, &SortedListModel::lessThan);
    const int row = int(it - m_entries.cbegin());
    beginInsertRows(QModelIndex(), row, row);
    m_entries.insert(row, text);
    endInsertRows();
    Q_EMIT countChanged(count());
    return row;
}

void SortedListModel::addMany(const QStringList& texts)
{
    if (texts.isEmpty())
        return;
    if (texts.size() == 1) {
        add(texts.constFirst());
        return;
    }
    QStringList incoming = texts;
    std::stable_sort(incoming.begin(), incoming.end(), &SortedListModel::lessThan);
    QStringList merged;
    merged.reserve(m_entries.size() + incoming.size());
    // std::merge takes from the first range on ties, so new entries land after
    // equal old ones, as one add() after another would put them.
    std::merge(m_entries.cbegin(), m_entries.cend(), incoming.cbegin(), incoming.cend(),
               std::back_inserter(merged), &SortedListModel::lessThan);
    beginResetModel();
    m_entries = std::move(merged);
    endResetModel();
    Q_EMIT countChanged(count());
}

void SortedListModel::setEntries(const QStringList& texts)
{
    QStringList sorted = texts;
    std::stable_sort(sorted.begin(), sorted.end(), &SortedListModel::lessThan);
    const int before = count();
    beginResetModel();
    m_entries = std::move(sorted);
    endResetModel();
    if (count() != before)
        Q_EMIT countChanged(count());
}

void SortedListModel::clear()
{
    if (m_entries.isEmpty())
        return;
    beginResetModel();
    m_entries.clear();
    endResetModel();
    Q_EMIT countChanged(0);
}

void SortedListModel::removeAt(int row)
{
    if (row < 0 || row >= count())
        return;
    beginRemoveRows(QModelIndex(), row, row);
    m_entries.removeAt(row);
    endRemoveRows();
    Q_EMIT countChanged(count());
}

QList<int> SortedListModel::selectedRows() const
{
    QList<int> rows;
    for (const QItemSelectionRange& range : m_selection->selection()) {
        if (range.parent().isValid() || range.model() != this)
            continue;
        for (int r = range.top(); r <= range.bottom(); ++r)
            rows.append(r);
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

int SortedListModel::currentRow() const
{
    const QModelIndex current = m_selection->currentIndex();
    return current.isValid() ? current.row() : -1;
}

void SortedListModel::removeSelectedItems()
{
    const QList<int> rows = selectedRows();
    if (rows.isEmpty())
        return;
    // Contiguous runs, removed from the last to the first so that the rows not
    // yet visited keep their positions.
    QList<std::pair<int, int>> runs;
    for (const int r : rows) {
        if (!runs.isEmpty() && runs.last().second == r - 1)
            runs.last().second = r;
        else
            runs.append({r, r});
    }
    if (runs.size() <= 32) {
        for (auto it = runs.crbegin(); it != runs.crend(); ++it) {
            beginRemoveRows(QModelIndex(), it->first, it->second);
            m_entries.remove(it->first, it->second - it->first + 1);
            endRemoveRows();
        }
    } else {
        // A scattered selection over a long list: one pass instead of a shift per run.
        QStringList kept;
        kept.reserve(m_entries.size() - rows.size());
        qsizetype next = 0;
        for (int r = 0; r < count(); ++r) {
            if (next < rows.size() && rows[next] == r)
                ++next;
            else
                kept.append(m_entries[r]);
        }
        beginResetModel();
        m_entries = std::move(kept);
        endResetModel();
    }
    Q_EMIT countChanged(count());
}

int SortedListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : count();
}

QVariant SortedListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= count())
        return QVariant();
    if (role == Qt::ToolTipRole && m_toolTipOf) {
        const QString tip = m_toolTipOf(m_entries.at(index.row()));
        return tip.isEmpty() ? QVariant() : QVariant(tip);
    }
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return QVariant();
    return m_entries.at(index.row());
}
