#pragma once

#include "run/RunReport.h"

#include <QAbstractTableModel>
#include <QList>

// The URLs of a run that got no row, with the reason of each, for the view
// beside the results grid. Its lines are the run report's own lines for those
// URLs, so what the view shows and what a report file holds always agree.
class RefusedUrlsModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column
    {
        Index,
        Url,
        Outcome,
        Reason,
        StatusLine,
        ContentType,
        ColumnCount
    };

    explicit RefusedUrlsModel(QObject* parent = nullptr);

    // Takes the line unless its URL was accepted.
    void add(const RunReport::Line& line);
    void clear();
    const QList<RunReport::Line>& lines() const { return m_lines; }

    // The lines of the given rows as text to paste elsewhere: one line per
    // row, the fields separated by tabs.
    QString text(const QList<int>& rows) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

Q_SIGNALS:
    void countChanged(int count);

private:
    QString field(const RunReport::Line& line, int column) const;

    QList<RunReport::Line> m_lines;
};
