#include "platform/FetchWaitGauge.h"

#include <QSet>

bool FetchWaitGauge::measure(const std::unordered_map<CURL*, FetchJob*>& running,
                             const std::deque<FetchJob*>& queued, qint64 nowMs)
{
    int count = 0;
    qint64 leftMs = 0;
    QSet<QString> silentHosts;
    for (const auto& [easy, job] : running) {
        if (job->transfer->quietMs() < kWaitingAfterMs)
            continue;
        ++count;
        leftMs = qMax(leftMs, job->transfer->msUntilDue());
        silentHosts.insert(job->host);
    }
    const int silentRunning = count;
    if (!silentHosts.isEmpty()) {
        for (const FetchJob* job : queued)
            count += silentHosts.contains(job->host) ? 1 : 0;
    }
    const qint64 endMs = count ? nowMs + leftMs : 0;
    if (count == m_count && silentRunning == m_silentRunning && qAbs(endMs - m_endMs) < 1000)
        return false;
    m_count = count;
    m_silentRunning = silentRunning;
    m_leftMs = count ? leftMs : 0;
    m_endMs = endMs;
    return true;
}

qint64 FetchWaitGauge::msUntilNextChange(const std::unordered_map<CURL*, FetchJob*>& running)
{
    qint64 soonest = -1;
    const auto consider = [&soonest](qint64 ms) {
        if (ms >= 0 && (soonest < 0 || ms < soonest))
            soonest = ms;
    };
    for (const auto& [easy, job] : running) {
        const qint64 quiet = job->transfer->quietMs();
        if (quiet < kWaitingAfterMs)
            consider(kWaitingAfterMs - quiet);
        consider(job->transfer->msUntilDue());
    }
    return soonest;
}
