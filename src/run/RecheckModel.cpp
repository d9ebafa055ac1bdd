#include "run/RecheckModel.h"

#include <QDateTime>

RecheckModel::RecheckModel(QObject* parent) : QAbstractTableModel(parent) {}

void RecheckModel::setLines(const QVector<RecheckLine>& lines)
{
    beginResetModel();
    m_lines = lines;
    endResetModel();
}

QString RecheckModel::field(const RecheckLine& line, int column) const
{
    switch (column) {
    case Change:
        return LinkBackChanges::shownName(line.change, line.today);
    case Url:
        return line.url;
    case LinkBack:
        // No answer, or an error page: what came instead of a verdict.
        if (!line.today.reached)
            return line.error;
        if (line.today.status < 200 || line.today.status >= 300)
            return line.statusLine;
        return LinkBackVerdict::name(line.today.verdict);
    case Previous:
        return line.previous ? LinkBackVerdict::name(line.previous->verdict) : QString();
    case PreviousDate:
        return line.previous ? QDateTime::fromMSecsSinceEpoch(line.previousCheckedAt)
                                   .toString(QStringLiteral("yyyy-MM-dd hh:mm"))
                             : QString();
    case FinalUrl:
        return line.today.finalUrl;
    default:
        return QString();
    }
}

int RecheckModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_lines.size());
}

int RecheckModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant RecheckModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_lines.size())
        return QVariant();
    const RecheckLine& line = m_lines.at(index.row());
    if (role == Qt::ToolTipRole && index.column() == LinkBack && !line.evidence.isEmpty())
        return line.evidence;
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
        return field(line, index.column());
    return QVariant();
}

QVariant RecheckModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case Change:
        return QStringLiteral("Change");
    case Url:
        return QStringLiteral("URL");
    case LinkBack:
        return QStringLiteral("Link back");
    case Previous:
        return QStringLiteral("Before");
    case PreviousDate:
        return QStringLiteral("Checked before");
    case FinalUrl:
        return QStringLiteral("Final URL");
    default:
        return QVariant();
    }
}
