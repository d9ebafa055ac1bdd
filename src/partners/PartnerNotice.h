#pragma once

#include "linkback/LinkBackChange.h"

#include <QList>
#include <QString>

// One partner page and what its last check found.
struct PartnerNoticeItem
{
    QString page;
    LinkBackChange change = LinkBackChange::Unchanged;
};

// The words of the desktop notification after a scheduled check. Only what
// the user can act on counts: links lost (or pages gone) and links weakened
// (now nofollow, noindex, hidden or blocked). Everything else is silence.
//
//   summary  "3 links lost, 1 weakened"
//   body     "3 links lost: example.org, example.net, example.com, …"
//            "1 link weakened: example.info"
// The hosts are named once each, the first few of them.
class PartnerNotice
{
public:
    static constexpr int MostHostsNamed = 3;

    static PartnerNotice fromChanges(const QList<PartnerNoticeItem>& items);

    // Nothing lost or weakened: no notification.
    bool isEmpty() const { return m_lostHosts.isEmpty() && m_weakenedHosts.isEmpty(); }
    QString summary() const;
    QString body() const;

private:
    int m_lost = 0;
    int m_weakened = 0;
    QStringList m_lostHosts;
    QStringList m_weakenedHosts;
};
