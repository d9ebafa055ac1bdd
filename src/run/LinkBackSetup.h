#pragma once

#include "analysis/PageRefusal.h"
#include "linkback/LinkBackVerdict.h"
#include "linkback/LinkProof.h"
#include "linkback/MySites.h"
#include "settings/LinkBackPreferences.h"

#include <QStringList>
#include <functional>
#include <optional>

struct FetchResult;

// What a run needs to prove the links back: the user's sites (none: no proof
// at all, and the run is exactly what it was without one), whether a page
// without a followed link back is refused, and the search engine whose
// robots.txt group decides whether the link can count.
struct LinkBackSetup
{
    MySites sites;
    bool acceptOnlyFollowed = false;
    QString robotsAgent = QString::fromLatin1(LinkBackPreferences::DefaultRobotsAgent);

    bool isOn() const { return !sites.isEmpty(); }

    // What a page's link back means for its row.
    struct Decision
    {
        std::optional<LinkBackVerdict> verdict; // none when the page was not proved
        // Set when the page loses the row the usual checks gave it: it is
        // refused for this reason instead.
        std::optional<PageRefusal> refusal;
    };

    // The proof over a fetched page, read at the address the redirects led
    // to. None when no site is set or no response arrived; a response that
    // is no 2xx HTML page is not read, and its proof says which it is.
    std::optional<LinkProofResult> prove(const FetchResult& page,
                                         const std::function<bool()>& cancelled = {}) const;
    // The verdict on a page's proof, given what its host's robots.txt
    // allows. The usual checks decided whether the page has a row; when only
    // followed links back count, a page without one loses it, with the
    // verdict as the reason.
    Decision weigh(const std::optional<LinkProofResult>& proof, bool hasRow,
                   const RobotsRuling& robots) const;
    // A Content-Type value of a page to read: HTML or XHTML, or none at all.
    static bool isWebPageType(const QString& contentType);
    // The address the page came from in the end.
    static QString pageUrl(const FetchResult& page);

    // The preferences read as sites; each entry that is not one adds its
    // message and is left out.
    static LinkBackSetup from(const LinkBackPreferences& preferences, QStringList* messages = nullptr);
};
