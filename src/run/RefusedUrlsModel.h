#pragma once

#include "run/RunReport.h"

#include <QAbstractTableModel>
#include <QList>

// The run report of the last run, for the view beside the results grid: by
// default the URLs that got no row, with the reason of each; the filter shows
// all of them or the accepted ones instead, so that the link-back verdicts of
// accepted partners are seen too. Its lines are the run report's own lines,
// so what the view shows and what a report file holds always agree.
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
        LinkBack,
        ColumnCount
    };

    enum class Filter
    {
        All,
        Refused, // every URL without a row
        Accepted
    };

    explicit RefusedUrlsModel(QObject* parent = nullptr);

    // Takes the line; it is shown when the filter lets it through.
    void add(const RunReport::Line& line);
    void clear();
    // The lines the filter lets through, in the order they came.
    const QList<RunReport::Line>& lines() const { return m_lines; }
    void setFilter(Filter filter);
    Filter filter() const { return m_filter; }
    int refusedCount() const { return m_refusedCount; }

    // The lines of the given rows as text to paste elsewhere: one line per
    // row, the fields separated by tabs.
    QString text(const QList<int>& rows) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

Q_SIGNALS:
    // The count of URLs without a row, whatever the filter.
    void countChanged(int count);

private:
    QString field(const RunReport::Line& line, int column) const;
    bool shows(const RunReport::Line& line) const;

    QList<RunReport::Line> m_all;
    QList<RunReport::Line> m_lines;
    Filter m_filter = Filter::Refused;
    int m_refusedCount = 0;
};
