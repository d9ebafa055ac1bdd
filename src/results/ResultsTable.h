#pragma once

#include "results/ResultRow.h"

#include <QAbstractTableModel>
#include <QString>
#include <QVector>
#include <array>

// The five-column results table. Row 0 is the header row (its texts are cells
// like any other, as the batch run and the database load rewrite them); data
// rows are 1 .. tableRowCount() - 1. To Qt views the header row is the horizontal
// header and data row r is model row r - 1. Column 0 ("#") is never editable.
class ResultsTable : public QAbstractTableModel
{
    Q_OBJECT

public:
    static constexpr int Columns = 5;
    using Row = std::array<QString, Columns>;
    // The columns, in their order.
    enum Column
    {
        NumberColumn,
        TitleColumn,
        EmailColumn,
        DescriptionColumn,
        UrlColumn
    };

    explicit ResultsTable(QObject* parent = nullptr);

    // Table operations; rows counted from 0 with the header as row 0.
    int tableRowCount() const { return int(m_rows.size()); }
    QString cell(int row, int column) const;
    void setCell(int row, int column, const QString& text);
    void writeHeader(); // "#", "Title", "Email", "Description", "URL" into row 0
    void resetForRun();
    void insertTableRow(int index); // an empty row at index (1 .. tableRowCount())
    // A filled row at index (1 .. tableRowCount()), its fields in their columns.
    void insertTableRow(int index, const ResultRow& row);
    void clearCells(); // every cell empty, row count unchanged
    void setTableRowCount(int rows);
    void appendRow();
    // Removes data row `row` unless it is the last remaining data row, or the
    // user may not edit now; returns whether it did. Numbers in column 0 stay.
    bool removeTableRow(int row);
    // The header texts, then exactly these data rows, in one model reset: what
    // clearCells, setTableRowCount(1), writeHeader and one appendRow per row give, without
    // a view update per row.
    void replaceDataRows(QVector<Row> rows);
    const QVector<Row>& rows() const { return m_rows; } // header row included

    static const Row& headerTexts();
    // A row's fields as the cells of its columns.
    static Row cellsOf(const ResultRow& row);

    // Whether the user may edit cells and remove rows (false while a batch run writes).
    void setUserEditable(bool editable);
    bool isUserEditable() const { return m_userEditable; }

    // Whether rows were added, edited or removed since the table was last
    // saved or loaded: the run's rows, the user's edits. Whoever saves or
    // loads the table clears it.
    bool isModified() const { return m_modified; }
    void setModified(bool modified) { m_modified = modified; }

    // Model rows are data rows: model row r is table row r + 1.
    static int tableRow(int modelRow) { return modelRow + 1; }
    static int modelRow(int tableRow) { return tableRow - 1; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QVector<Row> m_rows;
    bool m_userEditable = true;
    bool m_modified = false;
};
