#include "run/LinkBackRecord.h"

#include "run/LinkBackSetup.h"

UrlRecord::LinkBackFields LinkBackRecord::fieldsOf(const LinkBackVerdict& verdict)
{
    UrlRecord::LinkBackFields fields;
    fields.kind = int(verdict.kind);
    fields.evidence = verdict.evidence;
    fields.anchorText = verdict.anchorText;
    fields.target = verdict.target;
    fields.finalUrl = verdict.finalUrl;
    fields.source = LinkBackVerdict::sourceName(verdict.source);
    return fields;
}

std::optional<LinkBackVerdict> LinkBackRecord::verdictOf(const UrlRecord& record)
{
    if (!record.linkBack)
        return std::nullopt;
    const UrlRecord::LinkBackFields& fields = *record.linkBack;
    LinkBackVerdict verdict;
    // A number this program does not know is taken for no link: an earlier
    // version still running on a converted store writes 0 for "not followed".
    verdict.kind = LinkBackVerdict::fromNumber(fields.kind).value_or(LinkBack::NoLink);
    verdict.evidence = fields.evidence;
    verdict.anchorText = fields.anchorText;
    verdict.target = fields.target;
    verdict.finalUrl = fields.finalUrl.isEmpty() ? record.url : fields.finalUrl;
    // Only the page's HTML has ever been read.
    verdict.source = LinkBackSource::Html;
    return verdict;
}

std::optional<LinkBackCheck> LinkBackRecord::checkOf(const UrlRecord& record)
{
    const std::optional<LinkBackVerdict> verdict = verdictOf(record);
    if (!verdict)
        return std::nullopt;
    LinkBackCheck check;
    check.reached = record.kind != UrlRecord::Kind::Failed;
    check.status = record.statusLine.section(u' ', 1, 1).toInt();
    check.finalUrl = verdict->finalUrl;
    check.verdict = verdict->kind;
    // Earlier versions read error pages and files too, and kept what they
    // found there: such a check read no page of links.
    if (check.reached && check.status != 0 && (check.status < 200 || check.status >= 300))
        check.verdict = LinkBack::PageGone;
    else if (check.reached && !LinkBackSetup::isWebPageType(record.contentType))
        check.verdict = LinkBack::NotAWebPage;
    return check;
}
