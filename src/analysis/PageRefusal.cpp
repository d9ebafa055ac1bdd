#include "analysis/PageRefusal.h"

namespace {

// "what: detail", or the bare text when there is nothing to show.
QString withDetail(const char* what, const QString& detail)
{
    const QString text = QString::fromLatin1(what);
    return detail.isEmpty() ? text : text + QLatin1String(": ") + detail;
}

} // namespace

QString PageRefusal::sentence() const
{
    switch (kind) {
    case Kind::None:
        break;
    case Kind::StatusLine:
        return withDetail("status line not accepted", detail);
    case Kind::ContentType:
        return withDetail("content type is not HTML", detail);
    case Kind::ReciprocalLink:
        return QStringLiteral("reciprocal link not found");
    case Kind::TitleBadWord:
        return withDetail("bad word in the title", detail);
    case Kind::DescriptionBadWord:
        return withDetail("bad word in the description", detail);
    case Kind::AnalysisAbandoned:
        return withDetail("the analysis of the page took too long", detail);
    case Kind::LinkBack:
        return withDetail("link back", detail);
    }
    return QString();
}
