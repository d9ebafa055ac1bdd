#include "run/RefusedUrlsModel.h"

RefusedUrlsModel::RefusedUrlsModel(QObject* parent) : QAbstractTableModel(parent) {}

bool RefusedUrlsModel::shows(const RunReport::Line& line) const
{
    const bool accepted = line.outcome == QLatin1String("accepted");
    switch (m_filter) {
    case Filter::All:
        return true;
    case Filter::Refused:
        return !accepted;
    case Filter::Accepted:
        return accepted;
    }
    return true;
}

void RefusedUrlsModel::add(const RunReport::Line& line)
{
    m_all.append(line);
    const bool refused = line.outcome != QLatin1String("accepted");
    if (shows(line)) {
        const int row = int(m_lines.size());
        beginInsertRows(QModelIndex(), row, row);
        m_lines.append(line);
        endInsertRows();
    }
    if (refused) {
        ++m_refusedCount;
        Q_EMIT countChanged(m_refusedCount);
    }
}

void RefusedUrlsModel::clear()
{
    beginResetModel();
    m_all.clear();
    m_lines.clear();
    m_refusedCount = 0;
    endResetModel();
    Q_EMIT countChanged(0);
}

void RefusedUrlsModel::setFilter(Filter filter)
{
    if (filter == m_filter)
        return;
    beginResetModel();
    m_filter = filter;
    m_lines.clear();
    for (const RunReport::Line& line : m_all)
        if (shows(line))
            m_lines.append(line);
    endResetModel();
}

QString RefusedUrlsModel::field(const RunReport::Line& line, int column) const
{
    switch (column) {
    case Index:
        return QString::number(line.index);
    case Url:
        return line.url;
    case Outcome:
        return line.outcome;
    case Reason:
        return line.reason;
    case StatusLine:
        return line.statusLine;
    case ContentType:
        return line.contentType;
    case LinkBack:
        return line.linkBack ? LinkBackVerdict::name(line.linkBack->kind) : QString();
    default:
        return QString();
    }
}

QString RefusedUrlsModel::text(const QList<int>& rows) const
{
    QStringList out;
    for (int row : rows) {
        if (row < 0 || row >= m_lines.size())
            continue;
        QStringList fields;
        for (int c = 0; c < ColumnCount; ++c) {
            // A tab or a line break inside a field would split it when pasted.
            QString value = field(m_lines.at(row), c);
            value.replace(u'\t', u' ').replace(u'\r', u' ').replace(u'\n', u' ');
            fields.append(value);
        }
        out.append(fields.join(u'\t'));
    }
    return out.isEmpty() ? QString() : out.join(u'\n') + u'\n';
}

int RefusedUrlsModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_lines.size());
}

int RefusedUrlsModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant RefusedUrlsModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_lines.size())
        return QVariant();
    const RunReport::Line& line = m_lines.at(index.row());
    // The link's markup shows on the verdict's tooltip.
    if (role == Qt::ToolTipRole && index.column() == LinkBack && line.linkBack &&
        !line.linkBack->evidence.isEmpty())
        return LinkBackVerdict::name(line.linkBack->kind) + QStringLiteral(" — ") + line.linkBack->evidence;
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
        return field(line, index.column());
    // Sorting by "#" goes by number, not by text.
    if (role == Qt::UserRole)
        return index.column() == Index ? QVariant(line.index) : QVariant(field(line, index.column()));
    return QVariant();
}

QVariant RefusedUrlsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case Index:
        return QStringLiteral("#");
    case Url:
        return QStringLiteral("URL");
    case Outcome:
        return QStringLiteral("Outcome");
    case Reason:
        return QStringLiteral("Reason");
    case StatusLine:
        return QStringLiteral("Status line");
    case ContentType:
        return QStringLiteral("Content type");
    case LinkBack:
        return QStringLiteral("Link back");
    default:
        return QVariant();
    }
}
