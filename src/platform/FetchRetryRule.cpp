#include "platform/FetchRetryRule.h"

#include "platform/LogCategories.h"

#include <QDateTime>
#include <QRandomGenerator>
#include <algorithm>
#include <curl/curl.h>

namespace {

// A busy server may ask for a pause; a short one is worth waiting for, a long
// one would hold the whole list up, so that answer stands as it came.
constexpr qint64 kLongestRetryDelayMs = 120 * 1000;
constexpr int kMostBusyRetries = 2;

} // namespace

FetchRetryRule::Verdict FetchRetryRule::judge(FetchJob& job, const FetchResult& result,
                                              CurlTransfer::Failure failure)
{
    const CurlTransfer& transfer = *job.transfer;
    const int status = failure == CurlTransfer::Failure::None ? transfer.statusCode() : 0;
    job.answered = job.answered || transfer.answered();

    if ((status == 429 || status == 503) && job.busyRetries < kMostBusyRetries) {
        const qint64 delay =
            retryDelayMs(transfer.headerValue("Retry-After"), QDateTime::currentMSecsSinceEpoch());
        if (delay >= 0 && delay <= kLongestRetryDelayMs) {
            qCDebug(lcPlatform, "GET %s: %d, asked again in %lld ms", qUtf8Printable(job.url), status, delay);
            ++job.busyRetries;
            return {Verdict::Kind::AskAgain, delay};
        }
    }
    const bool transient =
        failure == CurlTransfer::Failure::Reset ||
        ((status == 502 || status == 503 || status == 504) && transfer.headerValue("Retry-After").isEmpty());
    if (transient && !job.retried) {
        const qint64 pause = transientPauseMs();
        qCDebug(lcPlatform, "GET %s: %s, asked again once in %lld ms", qUtf8Printable(job.url),
                qUtf8Printable(status ? QString::number(status) : result.error), pause);
        job.retried = true;
        return {Verdict::Kind::AskAgain, pause};
    }

    job.answer = job.answered ? FetchJob::Answer::Answered
                 : failure == CurlTransfer::Failure::Unreachable || failure == CurlTransfer::Failure::TimedOut
                     ? FetchJob::Answer::Silent
                     : FetchJob::Answer::Other;
    // Only a wait for an answer that never came: a page that began to answer
    // and then stalled or ran past the total limit is slow by itself, and
    // would be as slow again.
    if (failure == CurlTransfer::Failure::TimedOut && !transfer.answered() && !job.retried)
        return {Verdict::Kind::AskSiteFirst, 0};
    return {};
}

qint64 FetchRetryRule::retryDelayMs(const QByteArray& retryAfter, qint64 nowMs)
{
    const QByteArray value = retryAfter.trimmed();
    if (value.isEmpty())
        return -1;
    if (std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        if (value.size() > 9)
            return kLongestRetryDelayMs * 1000; // far beyond any wait worth taking
        return value.toLongLong() * 1000;
    }
    const time_t when = curl_getdate(value.constData(), nullptr);
    if (when == time_t(-1))
        return -1;
    return qMax<qint64>(0, qint64(when) * 1000 - nowMs);
}

qint64 FetchRetryRule::transientPauseMs()
{
    // Long enough for a server that was restarting or overloaded, and spread,
    // so that the pages of one server that failed together are not asked
    // again together.
    return QRandomGenerator::global()->bounded(1000, 3001);
}
