#include "run/RunPace.h"

#include <QElapsedTimer>
#include <cmath>
#include <memory>

RunPace::RunPace(Clock clock) : m_clock(std::move(clock))
{
    if (!m_clock) {
        auto timer = std::make_shared<QElapsedTimer>();
        timer->start();
        m_clock = [timer] { return timer->elapsed(); };
    }
    start();
}

qint64 RunPace::now() const
{
    return m_clock();
}

void RunPace::start()
{
    m_startMs = now();
    m_done.clear();
    m_waiting = 0;
    m_waitingEndsMs = 0;
}

void RunPace::setWaiting(int count, qint64 leftMs)
{
    m_waiting = qMax(0, count);
    m_waitingEndsMs = now() + qMax<qint64>(0, leftMs);
}

void RunPace::pageDone()
{
    const qint64 t = now();
    m_done.push_back(t);
    forgetOld(t);
}

void RunPace::forgetOld(qint64 nowMs) const
{
    while (!m_done.empty() && m_done.front() <= nowMs - WindowMs)
        m_done.pop_front();
}

double RunPace::pagesPerSecond() const
{
    const qint64 t = now();
    forgetOld(t);
    if (m_done.empty())
        return 0.0;
    // A run younger than the window is measured over its whole life, so the
    // first pages do not read as a burst.
    const qint64 span = qMax<qint64>(1, qMin(WindowMs, t - m_startMs));
    return double(m_done.size()) * 1000.0 / double(span);
}

qint64 RunPace::secondsLeft(int pagesLeft) const
{
    const double pace = pagesPerSecond();
    if (pace <= 0.0)
        return -1;
    const qint64 atThePace = qint64(std::ceil(double(qMax(0, pagesLeft)) / pace));
    // A burst of pages fetched ahead makes the pace look fast while a few
    // URLs still wait on servers that may stay silent to their time-out.
    const qint64 waitingLeft = m_waiting > 0 ? (qMax<qint64>(0, m_waitingEndsMs - now()) + 999) / 1000 : 0;
    return qMax(atThePace, waitingLeft);
}

QString RunPace::durationText(qint64 seconds)
{
    if (seconds < 60)
        return QStringLiteral("%1 s").arg(seconds);
    if (seconds < 3600)
        return QStringLiteral("%1 min %2 s").arg(seconds / 60).arg(seconds % 60);
    const qint64 minutes = (seconds + 30) / 60;
    return QStringLiteral("%1 h %2 min").arg(minutes / 60).arg(minutes % 60);
}

QString RunPace::text(int pagesLeft) const
{
    const QString waiting = m_waiting > 0 && pagesLeft > 0
                                ? QStringLiteral("%1 waiting on slow hosts").arg(m_waiting)
                                : QString();
    const double pace = pagesPerSecond();
    if (pace <= 0.0)
        return waiting;
    // A slow run (dead hosts, long time-outs) reads better per minute.
    const double perMinute = pace * 60.0;
    const QString rate =
        pace >= 1.0 ? QStringLiteral("%1 pages/s").arg(pace, 0, 'f', pace < 10.0 ? 1 : 0)
                    : QStringLiteral("%1 pages/min").arg(perMinute, 0, 'f', perMinute < 10.0 ? 1 : 0);
    if (pagesLeft <= 0)
        return rate;
    const QString left = rate + QStringLiteral(", %1 left").arg(durationText(secondsLeft(pagesLeft)));
    return waiting.isEmpty() ? left : left + QStringLiteral(", ") + waiting;
}
