#include "run/LinkBackSetup.h"

#include "analysis/AcceptanceChecks.h"
#include "platform/PageFetcher.h"
#include "run/PageJob.h"
#include "settings/LinkBackPreferences.h"

LinkBackSetup LinkBackSetup::from(const LinkBackPreferences& preferences, QStringList* messages)
{
    LinkBackSetup setup;
    setup.sites = MySites::parse(preferences.sites(), messages);
    setup.acceptOnlyFollowed = preferences.acceptOnlyFollowed();
    setup.robotsAgent = preferences.robotsAgent();
    return setup;
}

QString LinkBackSetup::pageUrl(const FetchResult& page)
{
    return page.finalUrl.isEmpty() ? page.url : page.finalUrl;
}

std::optional<LinkProofResult> LinkBackSetup::prove(const FetchResult& page,
                                                    const std::function<bool()>& cancelled) const
{
    if (!isOn() || !page.ok())
        return std::nullopt;
    // A picture or a PDF holds no link a search engine follows; a response
    // that names no type at all is read, as browsers sniff it as HTML.
    if (!HeaderContentType(page.header).isEmpty() && !ContentTypeIsHtml(page.header))
        return LinkProofResult{};
    GumboArena::Limits limits = LinkProof::defaultLimits(page.body.size());
    limits.cancelled = cancelled;
    return LinkProof::examine(pageUrl(page), page.header, page.body, sites, LinkProof::Scope::MySites,
                              limits);
}

std::optional<LinkBackVerdict> LinkBackSetup::weigh(PageJobResult& result, const RobotsRuling& robots) const
{
    std::optional<LinkBackVerdict> verdict;
    if (result.proof)
        verdict = LinkBackVerdict::decide(*result.proof, robots);
    const LinkBack kind = verdict ? verdict->kind : LinkBack::NoLink;
    if (isOn() && acceptOnlyFollowed && result.row && kind != LinkBack::Followed) {
        result.row.reset();
        result.verdict.refusal = PageRefusal{PageRefusal::Kind::LinkBack, LinkBackVerdict::name(kind)};
    }
    return verdict;
}
