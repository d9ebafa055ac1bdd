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
    return qint64(std::ceil(double(qMax(0, pagesLeft)) / pace));
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
    const double pace = pagesPerSecond();
    if (pace <= 0.0)
        return QString();
    // A slow run (dead hosts, long time-outs) reads better per minute.
    const double perMinute = pace * 60.0;
    const QString rate =
        pace >= 1.0 ? QStringLiteral("%1 pages/s").arg(pace, 0, 'f', pace < 10.0 ? 1 : 0)
                    : QStringLiteral("%1 pages/min").arg(perMinute, 0, 'f', perMinute < 10.0 ? 1 : 0);
    if (pagesLeft <= 0)
        return rate;
    return rate + QStringLiteral(", %1 left").arg(durationText(secondsLeft(pagesLeft)));
}
