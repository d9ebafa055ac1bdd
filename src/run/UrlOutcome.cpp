#include "run/UrlOutcome.h"

#include "analysis/AcceptanceChecks.h"
#include "analysis/PageAnalysis.h"
#include "platform/FetchResult.h"

#include <QRegularExpression>

UrlOutcome UrlOutcome::processed(int index, const QString& url, const FetchResult& fetch,
                                 const PageVerdict& verdict, const std::optional<ResultRow>& row,
                                 const std::optional<LinkBackVerdict>& linkBack)
{
    UrlOutcome outcome = notReached(index, url);
    outcome.statusLine = HeaderStatusLine(fetch.header);
    outcome.contentType = HeaderContentType(fetch.header);
    outcome.bytes = fetch.bytes;
    outcome.milliseconds = fetch.milliseconds;
    outcome.attempts = fetch.attempts;
    outcome.linkBack = linkBack;
    // Only a page that answered is proved: it was read where the redirects led.
    if (outcome.linkBack)
        outcome.linkBack->finalUrl = fetch.finalUrl;
    if (row) {
        // With the checks switched off even a failed fetch can make a row.
        outcome.kind = Kind::Accepted;
        outcome.row = *row;
    } else if (!fetch.ok()) {
        outcome.kind = Kind::Failed;
        // libcurl puts the time into some messages ("... after 3 ms: ..."):
        // the time has a field of its own, and without it the same failure
        // reads the same on every URL, which is what sorting by reason needs.
        static const QRegularExpression elapsed(QStringLiteral(" after \\d+ ms(?=:|$)"));
        outcome.error = QString(fetch.error).remove(elapsed);
    } else {
        outcome.kind = Kind::Refused;
        outcome.refusal = verdict.refusal.refused()
                              ? verdict.refusal
                              : PageRefusal{PageRefusal::Kind::AnalysisAbandoned, QString()};
    }
    return outcome;
}

UrlOutcome UrlOutcome::notReached(int index, const QString& url)
{
    UrlOutcome outcome;
    outcome.index = index;
    outcome.url = url;
    outcome.address = WebUrl::parse(url);
    outcome.kind = Kind::NotReached;
    return outcome;
}

QString UrlOutcome::kindName() const
{
    switch (kind) {
    case Kind::Accepted:
        return QStringLiteral("accepted");
    case Kind::Refused:
        return QStringLiteral("refused");
    case Kind::Failed:
        return QStringLiteral("failed");
    case Kind::NotReached:
        break;
    }
    return QStringLiteral("not reached");
}

QString UrlOutcome::reason() const
{
    switch (kind) {
    case Kind::Refused:
        return refusal.sentence();
    case Kind::Failed:
        return QLatin1String("fetch failed: ") + error;
    case Kind::Accepted:
        // Ties the report's line to its row of the results.
        return QStringLiteral("row %1").arg(row.number);
    case Kind::NotReached:
        break;
    }
    return QString();
}

RunReport::Line UrlOutcome::reportLine() const
{
    RunReport::Line line;
    line.index = index;
    line.url = url;
    line.outcome = kindName();
    line.reason = reason();
    line.statusLine = statusLine;
    line.contentType = contentType;
    // A URL the run never reached has no size and no time, not zero of each.
    if (kind != Kind::NotReached) {
        line.bytes = bytes;
        line.milliseconds = milliseconds;
        line.attempts = attempts;
    }
    line.linkBack = linkBack;
    return line;
}
