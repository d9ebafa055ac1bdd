#include "run/LinkBackRecord.h"

#include "run/LinkBackSetup.h"
#include "store/UrlRecord.h"

namespace {

const QString kDash = QStringLiteral(" — ");

} // namespace

void LinkBackRecord::fill(UrlRecord& record, const LinkBackVerdict& verdict, const QString& finalUrl)
{
    fill(record, LinkBackVerdict::name(verdict.kind), verdict.evidence, finalUrl);
}

void LinkBackRecord::fill(UrlRecord& record, const QString& verdictName, const QString& evidence,
                          const QString& finalUrl)
{
    record.linkBack = LinkBackVerdict::fromName(verdictName) == LinkBack::Followed;
    QString first = verdictName;
    if (!evidence.isEmpty())
        first += kDash + evidence;
    record.linkBackEvidence = first + u'\n' + finalUrl;
}

QString LinkBackRecord::verdictName(const QString& evidenceText)
{
    const QString first = evidenceText.section(u'\n', 0, 0);
    const qsizetype dash = first.indexOf(kDash);
    return dash < 0 ? first : first.left(dash);
}

std::optional<LinkBackCheck> LinkBackRecord::checkOf(const UrlRecord& record)
{
    if (!record.linkBack)
        return std::nullopt;
    LinkBackCheck check;
    check.reached = record.kind != UrlRecord::Kind::Failed;
    check.status = record.statusLine.section(u' ', 1, 1).toInt();
    check.finalUrl = record.linkBackEvidence.section(u'\n', 1);
    if (check.finalUrl.isEmpty())
        check.finalUrl = record.url;
    // A verdict this program no longer knows by name still says whether the
    // link was followed.
    check.verdict = LinkBackVerdict::fromName(verdictName(record.linkBackEvidence))
                        .value_or(*record.linkBack ? LinkBack::Followed : LinkBack::NoLink);
    // Earlier versions read error pages and files too, and kept what they
    // found there: such a check read no page of links.
    if (check.reached && check.status != 0 && (check.status < 200 || check.status >= 300))
        check.verdict = LinkBack::PageGone;
    else if (check.reached && !LinkBackSetup::isWebPageType(record.contentType))
        check.verdict = LinkBack::NotAWebPage;
    return check;
}
