// The link-back proof over any page text and robots.txt over any file: no
// crash, and what the proof reports holds together.
//
// Options byte: bit 0 the page as raw UTF-16, bit 1 robots.txt instead of a
// page, bit 2 the page lies on the user's own site.
// Pieces: the page (or the robots.txt), the header block (or the path).
#include "FuzzInput.h"
#include "linkback/LinkBackVerdict.h"
#include "linkback/LinkProof.h"
#include "linkback/RobotsTxt.h"
#include "linkback/WebUrl.h"

namespace {

void robots(const FuzzInput& in)
{
    const RobotsTxt rules = RobotsTxt::parse(in.part(0));
    const QString path = FuzzInput::text(in.part(1), false);
    for (const QString& agent : {QStringLiteral("*"), QStringLiteral("googlebot")}) {
        rules.allows(path, agent);
        rules.allows(u'/' + path, agent);
        if (!rules.allows(QStringLiteral("/robots.txt"), agent))
            fuzzFail("robots.txt itself disallowed");
    }
}

void proof(const FuzzInput& in)
{
    const QString page = FuzzInput::text(in.part(0), in.option(0));
    const QString header = FuzzInput::text(in.part(1), false);
    const QString url = in.option(2) ? QStringLiteral("http://www.example.com/partners/")
                                     : QStringLiteral("http://partner.example/dir/page.html");
    const MySites sites = MySites::parse({QStringLiteral("example.com"), QStringLiteral("bücher.de")});
    GumboArena::Limits limits = LinkProof::defaultLimits(page.size());

    const LinkProofResult mine =
        LinkProof::examine(url, header, page, sites, LinkProof::Scope::MySites, limits);
    const LinkProofResult all =
        LinkProof::examine(url, header, page, sites, LinkProof::Scope::AllLinks, limits);
    if (!mine.complete || !all.complete)
        return;

    // The links into the sites are read from a skeleton of the page, all
    // links from the page itself: the skeleton never hides a link nor
    // changes what is said of one, and the page's signals are the same.
    const auto describe = [](const ProofLink& link) {
        return QStringList{link.target,
                           link.markup,
                           link.text,
                           link.rel.join(u' '),
                           QString::number(link.area),
                           QString::number(link.hidden),
                           QString::number(link.inNoscript),
                           QString::number(link.inComment)}
            .join(u'|');
    };
    QStringList expected;
    for (const ProofLink& link : all.links) {
        if (sites.covers(link.target))
            expected << describe(link);
        if (link.markup.size() > 300 || link.text.size() > 300)
            fuzzFail("evidence longer than 300 characters", link.markup);
        const WebUrl target = WebUrl::parse(link.target);
        if (target.isValid() && target.toString() != link.target)
            fuzzFail("a resolved target reads differently a second time", link.target);
    }
    QStringList found;
    for (const ProofLink& link : mine.links)
        found << describe(link);
    if (found != expected)
        fuzzFail("the links into the sites differ from the filtered links",
                 found.join(u'\n') + QStringLiteral("\n=== all links:\n") + expected.join(u'\n'));
    if (!mine.links.isEmpty() &&
        (mine.page.noindex != all.page.noindex || mine.page.nofollow != all.page.nofollow ||
         mine.page.canonical != all.page.canonical))
        fuzzFail("the page's signals differ between the skeleton and the page", page);

    const LinkBackVerdict verdict = LinkBackVerdict::decide(mine, RobotsAccess::Allowed);
    if (verdict.evidence.size() > 300)
        fuzzFail("verdict evidence longer than 300 characters", verdict.evidence);
    if ((verdict.kind == LinkBack::NoLink) != mine.links.isEmpty())
        fuzzFail("no link, yet links", verdict.testRunLine());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const FuzzInput in(data, size, 2);
    if (in.option(1))
        robots(in);
    else
        proof(in);
    return 0;
}
