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

    // The page was there to read: a 2xx HTML page. Only such a check says
    // anything about the link.
    bool read() const;
};

// What changed on a partner's page since the last check that read it. A
// re-check reports changes, not states: a partner that never linked is not
// "lost" at every re-check. Exactly one per page.
//
// First today's answer, whatever came before:
//   unreachable    no answer, a server error (5xx) or "429"
//   page gone      any other status than 2xx, or a file that is not a web page
//   first check    no earlier check read the page: today's verdict stands alone
//
// Else today's verdict (across) against the last one that read the page
// (down). A "link" is one into the sites, followed or not; "only in a
// comment" is no link and counts as "no link" here.
//
//   before \ today   followed     canonical  nofollow     noindex      hidden      blocked      no link
//   followed         kept/moved*  moved      now nofollow now noindex  now hidden  now blocked  lost
//   canonical else.  new          unchanged  now nofollow now noindex  now hidden  now blocked  lost
//   nofollow         new          moved      unchanged    now noindex  now hidden  now blocked  lost
//   noindex          new          moved      now nofollow unchanged    now hidden  now blocked  lost
//   hidden           new          moved      now nofollow now noindex  unchanged   now blocked  lost
//   blocked          new          moved      now nofollow now noindex  now hidden  unchanged    lost
//   no link          new          moved      now nofollow now noindex  now hidden  now blocked  unchanged
//
//   * kept at the same address after redirects, moved at another.
//
// unchanged is shown as "still nofollow", "still no link" and the like. Only
// lost is a loss: a partner that never linked, or whose link is still not
// followed, is not lost again at every re-check.
//
// A check that did not read the page (no answer, an error status, a file)
// is passed over: the run store is asked for the one before it, so a partner
// whose server was down last month is still "kept" this month. When no
// check ever read the page, today's is a first check.
enum class LinkBackChange
{
    Kept,
    New,
    Moved,
    Lost,
    NowNofollow,
    NowNoindex,
    NowHidden,
    NowBlocked,
    PageGone,
    Unreachable,
    FirstCheck,
    Unchanged,
};

class LinkBackChanges
{
public:
    // A previous check that did not read the page counts as none.
    static LinkBackChange compare(const std::optional<LinkBackCheck>& previous, const LinkBackCheck& today);

    // "kept", "new", "moved", "lost", "now nofollow", "now noindex", "now
    // hidden", "now blocked", "page gone", "unreachable", "first check",
    // "unchanged": the re-check report's words.
    static QString name(LinkBackChange change);
    // The words a person is shown: the name, but "still nofollow", "still no
    // link" and the like for a state that did not change.
    static QString shownName(LinkBackChange change, const LinkBackCheck& today);
    // Everything but kept and unchanged is worth a look; those come first in a view.
    static bool isChange(LinkBackChange change)
    {
        return change != LinkBackChange::Kept && change != LinkBackChange::Unchanged;
    }
    // A page that seems to have lost its link or cannot be reached is fetched
    // once more before that is said.
    static bool needsSecondTry(LinkBackChange change);

    // "212 partners: 198 kept, 6 lost, 2 now nofollow, 5 gone, 1 unchanged
    // without a followed link": the count of pages, then the count of each
    // kind that occurs, in the order of the enum, each with its short words.
    // "1 partner: 1 kept"; "0 partners" for none.
    static QString summary(const QList<LinkBackChange>& changes);
};
