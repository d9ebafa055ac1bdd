#pragma once

#include "run/RecheckRun.h"

#include <QAbstractTableModel>
#include <QVector>

// A re-check's pages for its view: the change, the address, today's verdict,
// the verdict before and its date, and where the page is now.
class RecheckModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column
    {
        Change,
        Url,
        LinkBack,
        Previous,
        PreviousDate,
        FinalUrl,
        ColumnCount
    };

    explicit RecheckModel(QObject* parent = nullptr);

    void setLines(const QVector<RecheckLine>& lines);
    const QVector<RecheckLine>& lines() const { return m_lines; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QString field(const RecheckLine& line, int column) const;

    QVector<RecheckLine> m_lines;
};
