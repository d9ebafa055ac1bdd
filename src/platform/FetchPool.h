#pragma once

#include "platform/FetchLimits.h"
#include "platform/PageFetcher.h"

#include <QHash>
#include <QObject>
#include <memory>

class FetchPoolEngine;

// Fetches many pages at once, each exactly as PageFetcher::fetch does (the same
// request options and the same FetchResult), over a bounded number of
// connections in total and per host. A busy server's "429" or "503" with a
// short Retry-After is asked again after that pause, at most twice, while the
// other pages go on. Results arrive in the order the transfers end, on the
// owner's thread; putting them back in list order is the caller's business.
// No call ever waits for the network. Only the running transfers hold a body
// (at most FetchOptions::maxBodyBytes each); the caller bounds the rest by how
// far ahead of its work it enqueues.
class FetchPool : public QObject
{
    Q_OBJECT

public:
    explicit FetchPool(QObject* parent = nullptr, const FetchOptions& options = {},
                       const FetchLimits& limits = {});
    ~FetchPool() override; // drops every transfer in flight

    // Values out of range are brought into it. Applies to the transfers
    // started from now on.
    void setLimits(const FetchLimits& limits);
    const FetchLimits& limits() const { return m_limits; }

    // Fetches url; finished(id, ...) follows exactly once unless cancelled.
    // The id is the caller's own; enqueuing an id still pending replaces the
    // earlier request for it.
    void enqueue(quint64 id, const QString& url);
    // No finished() follows for the id; its transfer, if running, stops now.
    void cancel(quint64 id);
    void cancelAll();
    // When the id's transfer waits to ask a busy server again, it ends now
    // with the busy answer it had, as if there were no retries. Does nothing
    // to a transfer under way.
    void giveUpRetries(quint64 id);

    bool isPending(quint64 id) const { return m_tickets.contains(id); }
    int pendingCount() const { return int(m_tickets.size()); }

Q_SIGNALS:
    void finished(quint64 id, const FetchResult& result);

private:
    void deliver(quint64 ticket, const FetchResult& result);

    // Each request gets a ticket of its own, so a late result of a cancelled
    // or replaced request is told apart from one for the same id given later.
    QHash<quint64, quint64> m_tickets; // id -> ticket
    QHash<quint64, quint64> m_ids;     // ticket -> id
    quint64 m_lastTicket = 0;
    FetchLimits m_limits;
    std::unique_ptr<FetchPoolEngine> m_engine;
};
