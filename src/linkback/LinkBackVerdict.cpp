#include "linkback/LinkBackVerdict.h"

#include <array>

namespace {

constexpr std::array<std::pair<LinkBack, const char*>, 10> Names{{
    {LinkBack::Followed, "followed"},
    {LinkBack::PageGone, "page gone"},
    {LinkBack::NotAWebPage, "not a web page"},
    {LinkBack::NoLink, "no link"},
    {LinkBack::OnlyInComment, "only in a comment"},
    {LinkBack::Hidden, "hidden"},
    {LinkBack::Nofollow, "nofollow"},
    {LinkBack::Noindex, "noindex"},
    {LinkBack::BlockedByRobots, "blocked by robots.txt"},
    {LinkBack::CanonicalElsewhere, "canonical elsewhere"},
}};

LinkBackVerdict verdict(LinkBack kind, const ProofLink* link)
{
    LinkBackVerdict v;
    v.kind = kind;
    if (link) {
        v.evidence = link->markup;
        v.anchorText = link->text;
        v.target = link->target;
    }
    return v;
}

} // namespace

LinkBackVerdict LinkBackVerdict::decide(const LinkProofResult& proof, const RobotsRuling& robots)
{
    if (proof.answer == LinkProofResult::Answer::ErrorStatus)
        return verdict(LinkBack::PageGone, nullptr);
    if (proof.answer == LinkProofResult::Answer::OtherType)
        return verdict(LinkBack::NotAWebPage, nullptr);
    const ProofLink* firstReal = nullptr;
    const ProofLink* firstComment = nullptr;
    const ProofLink* firstShown = nullptr;
    const ProofLink* firstFollowed = nullptr;
    for (const ProofLink& link : proof.links) {
        if (link.inComment) {
            firstComment = firstComment ? firstComment : &link;
            continue;
        }
        firstReal = firstReal ? firstReal : &link;
        if (link.hidden || link.inNoscript)
            continue;
        firstShown = firstShown ? firstShown : &link;
        if (link.relFollows() && !firstFollowed)
            firstFollowed = &link;
    }
    if (!firstReal) {
        if (!proof.complete) {
            LinkBackVerdict v;
            v.evidence = QStringLiteral("(the page is too large or too deeply nested to be read)");
            return v;
        }
        return firstComment ? verdict(LinkBack::OnlyInComment, firstComment)
                            : verdict(LinkBack::NoLink, nullptr);
    }
    if (!firstShown)
        return verdict(LinkBack::Hidden, firstReal);
    if (!firstFollowed || proof.page.nofollow)
        return verdict(LinkBack::Nofollow, firstFollowed ? firstFollowed : firstShown);
    if (proof.page.noindex)
        return verdict(LinkBack::Noindex, firstFollowed);
    if (robots.access == RobotsAccess::Disallowed) {
        LinkBackVerdict blocked = verdict(LinkBack::BlockedByRobots, firstFollowed);
        if (!robots.rule.isEmpty())
            blocked.evidence = robots.rule;
        return blocked;
    }
    if (proof.page.canonicalElsewhere)
        return verdict(LinkBack::CanonicalElsewhere, firstFollowed);
    return verdict(LinkBack::Followed, firstFollowed);
}

QString LinkBackVerdict::name(LinkBack kind)
{
    for (const auto& [k, text] : Names)
        if (k == kind)
            return QString::fromLatin1(text);
    return {};
}

std::optional<LinkBack> LinkBackVerdict::fromName(const QString& name)
{
    for (const auto& [k, text] : Names)
        if (name == QLatin1String(text))
            return k;
    return std::nullopt;
}

std::optional<LinkBack> LinkBackVerdict::fromNumber(int number)
{
    for (const auto& [k, text] : Names)
        if (int(k) == number)
            return k;
    return std::nullopt;
}

QString LinkBackVerdict::sourceName(LinkBackSource source)
{
    switch (source) {
    case LinkBackSource::Html:
        break;
    }
    return QStringLiteral("html");
}

QString LinkBackVerdict::testRunLine() const
{
    QString line = QStringLiteral("Link back: ") + name(kind);
    if (!evidence.isEmpty())
        line += QStringLiteral(" \u2014 ") + evidence;
    return line;
}
