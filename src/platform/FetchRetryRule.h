#pragma once

#include "platform/CurlTransfer.h"
#include "platform/FetchJob.h"

#include <QByteArray>

// When the fetch pool asks a server again, and after how long. Asked again:
//  - a busy server ("429" or "503") whose Retry-After asks for at most two
//    minutes, after that pause, at most twice;
//  - once, after a pause of 1-3 s, a broken connection, and a "502", "503" or
//    "504" without Retry-After;
//  - once, after the same pause, a page whose answer did not begin in time
//    on a site that answered an earlier page; whether it did is for
//    FetchSiteLedger to tell.
// Never a client error (4xx but 429): the same request gets the same answer.
class FetchRetryRule
{
public:
    struct Verdict
    {
        enum class Kind
        {
            AskAgain,     // after pauseMs
            AskSiteFirst, // a time-out: asked again only if the site answered before
            Final
        } kind = Kind::Final;
        qint64 pauseMs = 0;
    };

    // The verdict on the attempt the job's transfer just ended (failure as
    // the transfer tells it). Counts the retry it grants in the job, and
    // records there whether the site answered.
    static Verdict judge(FetchJob& job, const FetchResult& result, CurlTransfer::Failure failure);

    // The wait a Retry-After value asks for, in milliseconds from nowMs (ms
    // since the epoch): delta seconds or an HTTP date; -1 when it is neither.
    static qint64 retryDelayMs(const QByteArray& retryAfter, qint64 nowMs);
    // The pause before a transient failure is asked again.
    static qint64 transientPauseMs();
};
