#pragma once

#include "platform/FetchLimits.h"
#include "platform/FetchOptions.h"
#include "platform/FetchResult.h"

#include <QDeadlineTimer>
#include <QHash>
#include <QObject>
#include <memory>

class FetchPoolEngine;

// Fetches many pages at once, each exactly as PageFetcher::fetch does (the same
// request options and the same FetchResult), over a bounded number of
// connections in total and per host. No call ever waits for the network.
//
// A pool serves one run, and remembers the run's servers (host and port):
//  - A busy server's "429" or "503" with a short Retry-After is asked again
//    after that pause, at most twice, while the other pages go on.
//  - A transient failure is asked again once, after a pause of 1-3 s: a
//    broken connection, a "502", "503" or "504" without Retry-After, or a
//    page whose answer did not begin in time on a server that answered an
//    earlier page. Never a 4xx.
//  - A server that did not answer two pages in a row (no connection, no
//    name, or no answer in time) is taken for gone: its later pages fail at
//    once with "host did not answer earlier in this run (first failure: ...)".
// What "earlier" and "in a row" mean is the order the pages were enqueued,
// whatever order their transfers end in: each result is the one a pool with a
// single connection would give, however many connections run. To keep to
// that, a result may be held until the earlier pages of its server are done.
// Results otherwise arrive in the order they are ready, on the owner's
// thread; putting them back in list order is the caller's business.
//
// Only the running transfers hold a body (at most FetchOptions::maxBodyBytes
// each), with the results held for an earlier page of their server; the
// caller bounds the rest by how far ahead of its work it enqueues.
class FetchPool : public QObject
{
    Q_OBJECT

public:
    // A transfer whose server has sent nothing for this long is waiting.
    static constexpr qint64 kWaitingAfterMs = 2000;

    explicit FetchPool(QObject* parent = nullptr, const FetchOptions& options = {},
                       const FetchLimits& limits = {});
    ~FetchPool() override; // drops every transfer in flight

    // Values out of range are brought into it. Applies to the transfers
    // started from now on.
    void setLimits(const FetchLimits& limits);
    const FetchLimits& limits() const { return m_limits; }
    // The time-out of FetchOptions::setTimeoutSeconds (connecting plus the
    // first byte of the answer, 2-120 s) for the transfers started from now on.
    void setTimeoutSeconds(int seconds);
    // A new run begins: every server counts as answering again.
    void forgetHosts();
    // When set, a transfer whose server has sent nothing for kWaitingAfterMs
    // stops counting against the connections in all (never against the
    // per-host limit), up to as many again as that limit: a silent server
    // ties up a socket, not bandwidth nor work, and the pages of answering
    // servers go on meanwhile. Off at first.
    void setSilentTransfersFree(bool free);

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

    // Pages waiting on silent servers: transfers that have received nothing
    // for kWaitingAfterMs or longer, and the pages queued for the same hosts
    // behind them. As of the last waitingChanged().
    int waitingCount() const { return m_waiting; }
    // Until the last of those transfers is given up at the latest, from now
    // (0 when none waits).
    qint64 waitingLeftMs() const;

Q_SIGNALS:
    void finished(quint64 id, const FetchResult& result);
    // The waiting count changed, or the time it may take moved by a second
    // or more.
    void waitingChanged(int count);

private:
    void deliver(quint64 ticket, const FetchResult& result);
    void takeWaiting(int count, qint64 leftMs);

    // Each request gets a ticket of its own, so a late result of a cancelled
    // or replaced request is told apart from one for the same id given later.
    QHash<quint64, quint64> m_tickets; // id -> ticket
    QHash<quint64, quint64> m_ids;     // ticket -> id
    quint64 m_lastTicket = 0;
    FetchLimits m_limits;
    int m_waiting = 0;
    QDeadlineTimer m_waitingEnds;
    std::unique_ptr<FetchPoolEngine> m_engine;
};
