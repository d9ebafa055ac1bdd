#include "platform/FetchPool.h"

#include "platform/FetchPoolEngine.h"

#include <QMetaObject>

static_assert(FetchPool::kWaitingAfterMs == FetchWaitGauge::kWaitingAfterMs);

FetchPool::FetchPool(QObject* parent, const FetchOptions& options, const FetchLimits& limits)
    : QObject(parent), m_limits(limits.bounded())
{
    // Called on the worker thread. The engine is joined in the destructor
    // before this object goes, and calls posted to it then die with it.
    auto post = [this](quint64 ticket, const FetchResult& result) {
        QMetaObject::invokeMethod(
            this, [this, ticket, result] { deliver(ticket, result); }, Qt::QueuedConnection);
    };
    auto postWaiting = [this](int count, qint64 leftMs) {
        QMetaObject::invokeMethod(
            this, [this, count, leftMs] { takeWaiting(count, leftMs); }, Qt::QueuedConnection);
    };
    m_engine = std::make_unique<FetchPoolEngine>(options, m_limits, post, postWaiting);
}

FetchPool::~FetchPool()
{
    m_engine.reset(); // joins the worker while this object is still whole
}

void FetchPool::setLimits(const FetchLimits& limits)
{
    m_limits = limits.bounded();
    m_engine->setLimits(m_limits);
}

void FetchPool::setTimeoutSeconds(int seconds)
{
    m_engine->setTimeoutSeconds(seconds);
}

void FetchPool::setSilentTransfersFree(bool free)
{
    m_engine->setSilentTransfersFree(free);
}

void FetchPool::forgetHosts()
{
    m_engine->forgetSites();
}

qint64 FetchPool::waitingLeftMs() const
{
    return m_waiting > 0 ? m_waitingEnds.remainingTime() : 0;
}

void FetchPool::takeWaiting(int count, qint64 leftMs)
{
    m_waitingEnds.setRemainingTime(leftMs);
    m_waiting = count;
    Q_EMIT waitingChanged(count);
}

void FetchPool::enqueue(quint64 id, const QString& url)
{
    cancel(id);
    const quint64 ticket = ++m_lastTicket;
    m_tickets.insert(id, ticket);
    m_ids.insert(ticket, id);
    m_engine->start(ticket, url);
}

void FetchPool::cancel(quint64 id)
{
    const auto it = m_tickets.constFind(id);
    if (it == m_tickets.constEnd())
        return;
    const quint64 ticket = it.value();
    m_tickets.erase(it);
    m_ids.remove(ticket);
    m_engine->cancel(ticket);
}

void FetchPool::giveUpRetries(quint64 id)
{
    const auto it = m_tickets.constFind(id);
    if (it != m_tickets.constEnd())
        m_engine->giveUpRetries(it.value());
}

void FetchPool::cancelAll()
{
    m_tickets.clear();
    m_ids.clear();
    m_engine->cancelAll();
}

void FetchPool::deliver(quint64 ticket, const FetchResult& result)
{
    const auto it = m_ids.constFind(ticket);
    if (it == m_ids.constEnd())
        return; // cancelled after its transfer had ended
    const quint64 id = it.value();
    m_ids.erase(it);
    m_tickets.remove(id);
    Q_EMIT finished(id, result);
}
