#include "platform/FetchPool.h"

#include "platform/FetchPoolEngine.h"

#include <QMetaObject>

FetchPool::FetchPool(QObject* parent, const FetchOptions& options, const FetchLimits& limits)
    : QObject(parent), m_limits(limits.bounded())
{
    // Called on the worker thread. The engine is joined in the destructor
    // before this object goes, and calls posted to it then die with it.
    auto post = [this](quint64 ticket, const FetchResult& result) {
        QMetaObject::invokeMethod(
            this, [this, ticket, result] { deliver(ticket, result); }, Qt::QueuedConnection);
    };
    m_engine = std::make_unique<FetchPoolEngine>(options, m_limits, post);
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
