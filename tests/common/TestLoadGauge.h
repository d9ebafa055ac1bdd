#pragma once

#include <QMutex>
#include <QMutexLocker>

// Counts the requests being answered at once by one server, or by several
// that share the gauge, and the most there were at any moment.
class TestLoadGauge
{
public:
    void change(int delta)
    {
        QMutexLocker lock(&m_mutex);
        m_now += delta;
        m_peak = qMax(m_peak, m_now);
    }
    int now() const
    {
        QMutexLocker lock(&m_mutex);
        return m_now;
    }
    int peak() const
    {
        QMutexLocker lock(&m_mutex);
        return m_peak;
    }

private:
    mutable QMutex m_mutex;
    int m_now = 0;
    int m_peak = 0;
};
