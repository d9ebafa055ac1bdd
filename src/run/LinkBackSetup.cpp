#include "run/LinkBackSetup.h"

#include "analysis/AcceptanceChecks.h"
#include "platform/FetchResult.h"
#include "settings/LinkBackPreferences.h"

LinkBackSetup LinkBackSetup::from(const LinkBackPreferences& preferences, QStringList* messages)
{
    LinkBackSetup setup;
    setup.sites = MySites::parse(preferences.sites(), messages);
    setup.acceptOnlyFollowed = preferences.acceptOnlyFollowed();
    setup.robotsAgent = preferences.robotsAgent();
    return setup;
}

bool LinkBackSetup::isWebPageType(const QString& contentType)
{
    // A response that names no type is read: browsers sniff it as HTML.
    if (contentType.trimmed().isEmpty())
        return true;
    const QString type = contentType.section(u';', 0, 0).trimmed();
    return type.compare(QLatin1String("text/html"), Qt::CaseInsensitive) == 0 ||
           type.compare(QLatin1String("application/xhtml+xml"), Qt::CaseInsensitive) == 0;
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
    // An error page is not the partner's page of links, whatever it holds;
    // a picture or a PDF holds no link a search engine follows.
    LinkProofResult unread;
    const int status = HeaderStatusLine(page.header).section(u' ', 1, 1).toInt();
    if (status != 0 && (status < 200 || status >= 300)) {
        unread.answer = LinkProofResult::Answer::ErrorStatus;
        return unread;
    }
    if (!isWebPageType(HeaderContentType(page.header))) {
        unread.answer = LinkProofResult::Answer::OtherType;
        return unread;
    }
    GumboArena::Limits limits = LinkProof::defaultLimits(page.body.size());
    limits.cancelled = cancelled;
    return LinkProof::examine(pageUrl(page), page.header, page.body, sites, LinkProof::Scope::MySites,
                              limits);
}

LinkBackSetup::Decision LinkBackSetup::weigh(const std::optional<LinkProofResult>& proof, bool hasRow,
                                             const RobotsRuling& robots) const
{
    Decision decision;
    if (proof)
        decision.verdict = LinkBackVerdict::decide(*proof, robots);
    const LinkBack kind = decision.verdict ? decision.verdict->kind : LinkBack::NoLink;
    if (isOn() && acceptOnlyFollowed && hasRow && kind != LinkBack::Followed)
        decision.refusal = PageRefusal{PageRefusal::Kind::LinkBack, LinkBackVerdict::name(kind)};
    return decision;
}
