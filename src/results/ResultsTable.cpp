#include "results/ResultsTable.h"

#include <algorithm>

ResultsTable::ResultsTable(QObject* parent) : QAbstractTableModel(parent), m_rows(2)
{
    writeHeader();
}

const ResultsTable::Row& ResultsTable::headerTexts()
{
    static const Row header = {QStringLiteral("#"), QStringLiteral("Title"), QStringLiteral("Email"),
                               QStringLiteral("Description"), QStringLiteral("URL")};
    return header;
}

ResultsTable::Row ResultsTable::cellsOf(const ResultRow& row)
{
    return Row{QString::number(row.number), row.title, row.email, row.description, row.url};
}

QString ResultsTable::cell(int row, int column) const
{
    if (row < 0 || row >= tableRowCount() || column < 0 || column >= Columns)
        return QString();
    return m_rows[row][column];
}

void ResultsTable::setCell(int row, int column, const QString& text)
{
    if (row < 0 || row >= tableRowCount() || column < 0 || column >= Columns)
        return;
    QString& cell = m_rows[row][column];
    if (cell == text)
        return;
    cell = text;
    if (row == 0) {
        Q_EMIT headerDataChanged(Qt::Horizontal, column, column);
    } else {
        const QModelIndex at = index(modelRow(row), column);
        Q_EMIT dataChanged(at, at, {Qt::DisplayRole, Qt::EditRole});
    }
}

void ResultsTable::writeHeader()
{
    for (int c = 0; c < Columns; ++c)
        setCell(0, c, headerTexts()[c]);
}

void ResultsTable::resetForRun()
{
    // The run starts from the header and the one data row it leaves at the
    // bottom; a table that has only its header stays without a data row.
    if (tableRowCount() > 2)
        setTableRowCount(2);
    clearCells();
    writeHeader();
}

void ResultsTable::insertTableRow(int index)
{
    if (index < 1 || index > tableRowCount())
        return;
    beginInsertRows(QModelIndex(), modelRow(index), modelRow(index));
    m_rows.insert(index, Row());
    endInsertRows();
}

void ResultsTable::insertTableRow(int index, const ResultRow& row)
{
    if (index < 1 || index > tableRowCount())
        return;
    beginInsertRows(QModelIndex(), modelRow(index), modelRow(index));
    m_rows.insert(index, cellsOf(row));
    endInsertRows();
    m_modified = true;
}

void ResultsTable::clearCells()
{
    for (Row& row : m_rows)
        for (QString& cell : row)
            cell.clear();
    Q_EMIT headerDataChanged(Qt::Horizontal, 0, Columns - 1);
    if (tableRowCount() > 1)
        Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, Columns - 1), {Qt::DisplayRole, Qt::EditRole});
}

void ResultsTable::setTableRowCount(int rows)
{
    rows = std::max(rows, 1); // the header row always stays
    if (rows < tableRowCount()) {
        beginRemoveRows(QModelIndex(), modelRow(rows), modelRow(tableRowCount() - 1));
        m_rows.resize(rows);
        endRemoveRows();
    } else if (rows > tableRowCount()) {
        beginInsertRows(QModelIndex(), modelRow(tableRowCount()), modelRow(rows - 1));
        m_rows.resize(rows);
        endInsertRows();
    }
}

void ResultsTable::appendRow()
{
    setTableRowCount(tableRowCount() + 1);
}

bool ResultsTable::removeTableRow(int row)
{
    if (!m_userEditable || row < 1 || row >= tableRowCount() || tableRowCount() <= 2)
        return false;
    beginRemoveRows(QModelIndex(), modelRow(row), modelRow(row));
    m_rows.removeAt(row);
    endRemoveRows();
    m_modified = true;
    return true;
}

void ResultsTable::replaceDataRows(QVector<Row> rows)
{
    beginResetModel();
    m_rows = std::move(rows);
    m_rows.prepend(headerTexts());
    endResetModel();
    Q_EMIT headerDataChanged(Qt::Horizontal, 0, Columns - 1);
}

void ResultsTable::setUserEditable(bool editable)
{
    if (m_userEditable == editable)
        return;
    m_userEditable = editable;
    // Views ask flags() again only when told that the cells changed.
    if (rowCount() > 0)
        Q_EMIT dataChanged(index(0, 1), index(rowCount() - 1, Columns - 1), {});
}

int ResultsTable::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : tableRowCount() - 1;
}

int ResultsTable::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : Columns;
}

QVariant ResultsTable::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return QVariant();
    return cell(tableRow(index.row()), index.column());
}

bool ResultsTable::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable))
        return false;
    if (cell(tableRow(index.row()), index.column()) != value.toString())
        m_modified = true;
    setCell(tableRow(index.row()), index.column(), value.toString());
    return true;
}

Qt::ItemFlags ResultsTable::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    // Column 0 is fixed like the header: shown, never current, never edited.
    if (index.column() == 0)
        return Qt::ItemIsEnabled;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (m_userEditable)
        f |= Qt::ItemIsEditable;
    return f;
}

QVariant ResultsTable::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < Columns)
        return m_rows[0][section];
    return QAbstractTableModel::headerData(section, orientation, role);
}
