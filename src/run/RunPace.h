#pragma once

#include <QString>
#include <deque>
#include <functional>

// How fast a run goes and how long it still needs: pages per second over the
// last minute (or since the start, when the run is younger) and the time the
// URLs left take at that pace. For people only: nothing the run decides
// depends on it.
class RunPace
{
public:
    // Milliseconds on a clock that never goes back; a test can give its own.
    using Clock = std::function<qint64()>;
    static constexpr qint64 WindowMs = 60 * 1000;

    explicit RunPace(Clock clock = {});

    // A new run begins now.
    void start();
    void pageDone();
    // Pages whose servers have been silent for a while: how many, and how
    // long from now until the last of them is given up at the latest. The
    // time left is never shorter than that.
    void setWaiting(int count, qint64 leftMs);

    // 0 until the first page is done.
    double pagesPerSecond() const;
    // -1 when the pace is not known yet.
    qint64 secondsLeft(int pagesLeft) const;

    // For example "2.5 pages/s, 3 min 20 s left", or "40 pages/min, ..."
    // below one page a second; "" before the first page, and without the
    // time once nothing is left. Pages waiting on silent servers are named
    // after it: "..., 3 waiting on slow hosts".
    QString text(int pagesLeft) const;
    // "45 s", "3 min 20 s", "2 h 5 min".
    static QString durationText(qint64 seconds);

private:
    qint64 now() const;
    void forgetOld(qint64 nowMs) const;

    Clock m_clock;
    qint64 m_startMs = 0;
    mutable std::deque<qint64> m_done; // when each page of the last minute was done
    int m_waiting = 0;
    qint64 m_waitingEndsMs = 0; // on m_clock
};
