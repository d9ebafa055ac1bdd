#pragma once

#include "linkback/LinkBackVerdict.h"

#include <QList>
#include <QString>
#include <optional>

// One check of a partner's page, as the run store keeps it.
struct LinkBackCheck
{
    bool reached = false; // a response arrived
    int status = 0;       // the final response's status code
    QString finalUrl;     // the page's address after redirects
    LinkBack verdict = LinkBack::NoLink;
};

// How a partner's page stands today against the last check. Exactly one per
// page:
//   kept          a followed link today, as last time, at the same address
//   new           a followed link today, and none last time (or no last time)
//   moved         a followed link today but the page's final address changed,
//                 or the page names another address as its canonical one
//   lost          no shown link today (none, only in a comment, or hidden)
//   now nofollow  a link today, but not followed (nofollow, sponsored, ugc)
//   now noindex   a link today, on a page that asks not to be indexed
//   now blocked   a link today, on a page robots.txt closes to crawlers
//   page gone     the page answers with an error status (4xx)
//   unreachable   no answer, or a server error (5xx, 429)
enum class LinkBackChange
{
    Kept,
    New,
    Moved,
    Lost,
    NowNofollow,
    NowNoindex,
    NowBlocked,
    PageGone,
    Unreachable,
};

class LinkBackChanges
{
public:
    static LinkBackChange compare(const std::optional<LinkBackCheck>& previous, const LinkBackCheck& today);

    // "kept", "new", "moved", "lost", "now nofollow", "now noindex",
    // "now blocked", "page gone", "unreachable".
    static QString name(LinkBackChange change);
    // Everything but kept is worth a look; those come first in a view.
    static bool isChange(LinkBackChange change) { return change != LinkBackChange::Kept; }
    // A page that seems to have lost its link or cannot be reached is fetched
    // once more before that is said.
    static bool needsSecondTry(LinkBackChange change);

    // "212 partners: 198 kept, 6 lost, 3 nofollow, 5 gone": the count of
    // pages, then the count of each kind that occurs, in the order kept, new,
    // moved, lost, nofollow, noindex, blocked, gone, unreachable, each with
    // its short word. "1 partner: 1 kept"; "0 partners" for none.
    static QString summary(const QList<LinkBackChange>& changes);
};
