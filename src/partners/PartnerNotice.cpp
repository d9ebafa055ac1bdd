#include "partners/PartnerNotice.h"

#include <QUrl>

namespace {

bool isLost(LinkBackChange change)
{
    return change == LinkBackChange::Lost || change == LinkBackChange::PageGone;
}

bool isWeakened(LinkBackChange change)
{
    switch (change) {
    case LinkBackChange::NowNofollow:
    case LinkBackChange::NowNoindex:
    case LinkBackChange::NowHidden:
    case LinkBackChange::NowBlocked:
        return true;
    default:
        return false;
    }
}

QString hostOf(const QString& page)
{
    const QString host = QUrl(page.trimmed()).host();
    return host.isEmpty() ? page.trimmed() : host;
}

QString links(int count)
{
    return count == 1 ? QStringLiteral("1 link") : QStringLiteral("%1 links").arg(count);
}

QString line(int count, const char* what, const QStringList& hosts)
{
    QStringList named = hosts.first(std::min<qsizetype>(hosts.size(), PartnerNotice::MostHostsNamed));
    if (hosts.size() > named.size())
        named.append(QStringLiteral("…"));
    return QStringLiteral("%1 %2: %3")
        .arg(links(count), QLatin1String(what), named.join(QLatin1String(", ")));
}

} // namespace

PartnerNotice PartnerNotice::fromChanges(const QList<PartnerNoticeItem>& items)
{
    PartnerNotice notice;
    for (const PartnerNoticeItem& item : items) {
        const bool lost = isLost(item.change);
        if (!lost && !isWeakened(item.change))
            continue;
        (lost ? notice.m_lost : notice.m_weakened) += 1;
        QStringList& hosts = lost ? notice.m_lostHosts : notice.m_weakenedHosts;
        const QString host = hostOf(item.page);
        if (!hosts.contains(host, Qt::CaseInsensitive))
            hosts.append(host);
    }
    return notice;
}

QString PartnerNotice::summary() const
{
    if (m_lost > 0 && m_weakened > 0)
        return QStringLiteral("%1 lost, %2 weakened").arg(links(m_lost)).arg(m_weakened);
    return m_lost > 0 ? links(m_lost) + QLatin1String(" lost")
                      : links(m_weakened) + QLatin1String(" weakened");
}

QString PartnerNotice::body() const
{
    QStringList lines;
    if (m_lost > 0)
        lines.append(line(m_lost, "lost", m_lostHosts));
    if (m_weakened > 0)
        lines.append(line(m_weakened, "weakened", m_weakenedHosts));
    return lines.join(u'\n');
}
