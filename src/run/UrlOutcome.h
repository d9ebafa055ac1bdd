#pragma once

#include "analysis/PageRefusal.h"
#include "linkback/LinkBackVerdict.h"
#include "linkback/WebUrl.h"
#include "results/ResultRow.h"
#include "run/RunReport.h"

#include <QString>
#include <optional>

struct FetchResult;
struct PageVerdict;

// What became of one URL of the list in a run: a row, a refusal with its
// reason, a fetch that failed, or nothing because the run stopped first.
// Together with what the response said and cost, it is what the refused view
// and the run's report show for the URL.
struct UrlOutcome
{
    enum class Kind
    {
        Accepted,  // row holds the row's number
        Refused,   // refusal says why
        Failed,    // error holds the transfer's message
        NotReached // the run stopped before this URL
    };

    int index = 0;  // the URL's place in the list, counted from 1
    QString url;    // the list entry, as the row's URL cell would hold it
    WebUrl address; // the entry read as a web address once, here; invalid when it is none
    Kind kind = Kind::NotReached;
    PageRefusal refusal;
    QString error;
    QString statusLine;
    QString contentType;
    qint64 bytes = 0;
    qint64 milliseconds = 0;
    // Accepted only: the row as the run inserted it, numbered, before any
    // edit in the grid.
    ResultRow row;
    int attempts = 0; // requests sent for the page: 2 when it was asked again
    // None when no site is set or the page was not proved; its final address
    // is where the redirects led.
    std::optional<LinkBackVerdict> linkBack;

    // A processed URL. With a row (numbered) the page became that row,
    // whatever the fetch said. Otherwise a failed fetch is Failed, and a
    // response the checks refused is Refused; a response they accepted that
    // still got no row was given up because its analysis ran out of time.
    static UrlOutcome processed(int index, const QString& url, const FetchResult& fetch,
                                const PageVerdict& verdict, const std::optional<ResultRow>& row,
                                const std::optional<LinkBackVerdict>& linkBack = std::nullopt);
    static UrlOutcome notReached(int index, const QString& url);

    // "accepted", "refused", "failed" or "not reached".
    QString kindName() const;
    // One line for people, e.g. "reciprocal link not found" or "fetch failed:
    // Could not resolve host: x.example"; "row 12" for Accepted; empty for
    // NotReached.
    QString reason() const;
    RunReport::Line reportLine() const;
};
