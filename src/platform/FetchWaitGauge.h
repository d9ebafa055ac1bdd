#pragma once

#include "platform/FetchJob.h"

#include <curl/curl.h>
#include <deque>
#include <unordered_map>

// How many pages of the fetch pool wait on servers that have been silent for
// a while, and how long that may still take: what a run's pace needs to stay
// honest while a few pages hold out. A running transfer waits once its server
// has sent nothing for kWaitingAfterMs; the pages queued for the same host
// behind it wait with it.
class FetchWaitGauge
{
public:
    static constexpr qint64 kWaitingAfterMs = 2000;

    // Measures anew; true when the count changed (of all or of the running
    // ones), or the time the waiting transfers may still take moved by a
    // second or more.
    bool measure(const std::unordered_map<CURL*, FetchJob*>& running, const std::deque<FetchJob*>& queued,
                 qint64 nowMs);
    int count() const { return m_count; }
    // The running transfers among them.
    int silentRunning() const { return m_silentRunning; }
    // Until the last waiting transfer is given up at the latest, as measured.
    qint64 leftMs() const { return m_leftMs; }

    // Until the next running transfer comes to count as waiting, or its
    // server's silence ends it (CurlTransfer::msUntilDue); -1: neither.
    static qint64 msUntilNextChange(const std::unordered_map<CURL*, FetchJob*>& running);

private:
    int m_count = 0;
    int m_silentRunning = 0;
    qint64 m_leftMs = 0;
    qint64 m_endMs = 0; // nowMs + leftMs of the last change
};
