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

// The run store keeps a verdict by these numbers: never renumber them.
enum class LinkBack
{
    // a shown link without nofollow/sponsored/ugc on a page search engines index and may crawl
    Followed = 1,
    PageGone = 2,            // the answer was no 2xx page: nothing to read
    NotAWebPage = 3,         // the answer was a file of another type than HTML or XHTML
    NoLink = 4,              // no link to the sites
    OnlyInComment = 5,       // only inside an HTML comment
    Hidden = 6,              // every link is hidden, or only inside <noscript>
    Nofollow = 7,            // every shown link carries nofollow, sponsored or ugc, or the page says nofollow
    Noindex = 8,             // the page asks not to be indexed
    BlockedByRobots = 9,     // robots.txt closes the page to crawlers
    CanonicalElsewhere = 10, // the page names another address as its canonical one
};

// What the verdict was read from: the page's HTML as the server sent it.
enum class LinkBackSource
{
    Html,
};

// The answer for one page, with the link that decided it.
struct LinkBackVerdict
{
    LinkBack kind = LinkBack::NoLink;
    QString evidence;   // the deciding link's markup, on one line, at most 300 characters; "" for no link
    QString anchorText; // that link's text (an image's alt text), blanks collapsed
    QString target;     // that link's resolved target
    // The page's address after redirects, where its links were read; set by
    // whoever fetched the page, "" until then.
    QString finalUrl;
    LinkBackSource source = LinkBackSource::Html;

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
    // The kind a stored number stands for; none for a number no kind has.
    static std::optional<LinkBack> fromNumber(int number);
    // "html": the run store's word for the source.
    static QString sourceName(LinkBackSource source);

    // The test run's line: "Link back: nofollow — <a href=...>...</a>", or
    // "Link back: no link" when there is no link to show.
    QString testRunLine() const;
};
