#pragma once

#include "linkback/LinkProof.h"

#include <QString>
#include <optional>

// What the host's robots.txt says about a page: crawlers may fetch it, may
// not, or the file has not been read (then the page counts as open).
enum class RobotsAccess
{
    Allowed,
    Disallowed,
    Unknown,
};

// The same, with the rule that closes the page when there is one, as the
// file writes it: "User-agent: Googlebot, Disallow: /links/".
struct RobotsRuling
{
    RobotsAccess access = RobotsAccess::Unknown;
    QString rule;
};

enum class LinkBack
{
    Followed,      // a shown link without nofollow/sponsored/ugc on a page search engines index and may crawl
    PageGone,      // the answer was no 2xx page: nothing to read
    NotAWebPage,   // the answer was a file of another type than HTML or XHTML
    NoLink,        // no link to the sites
    OnlyInComment, // only inside an HTML comment
    Hidden,        // every link is hidden, or only inside <noscript>
    Nofollow,      // every shown link carries nofollow, sponsored or ugc, or the page says nofollow
    Noindex,       // the page asks not to be indexed
    BlockedByRobots,    // robots.txt closes the page to crawlers
    CanonicalElsewhere, // the page names another address as its canonical one
};

// The answer for one page, with the link that decided it.
struct LinkBackVerdict
{
    LinkBack kind = LinkBack::NoLink;
    QString evidence; // the deciding link's markup, on one line, at most 300 characters; "" for no link
    QString target;   // that link's resolved target

    // The first verdict that applies, in the order of the enum after Followed.
    // A page that robots.txt closes has the closing rule as its evidence,
    // when the file has one.
    static LinkBackVerdict decide(const LinkProofResult& proof, const RobotsRuling& robots);
    static LinkBackVerdict decide(const LinkProofResult& proof, RobotsAccess robots)
    {
        return decide(proof, RobotsRuling{robots, QString()});
    }

    // "followed", "page gone", "not a web page", "no link", "only in a
    // comment", "hidden", "nofollow", "noindex", "blocked by robots.txt",
    // "canonical elsewhere": the texts of the test run, the run report and
    // the run store.
    static QString name(LinkBack kind);
    static std::optional<LinkBack> fromName(const QString& name);

    // The test run's line: "Link back: nofollow — <a href=...>...</a>", or
    // "Link back: no link" when there is no link to show.
    QString testRunLine() const;
};
