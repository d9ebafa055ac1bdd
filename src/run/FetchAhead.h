#pragma once

#include "platform/FetchLimits.h"
#include "platform/FetchPool.h"

#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>
#include <deque>
#include <functional>
#include <optional>

// The pages of a run's list, fetched ahead of their turn: the page of the
// entry at work and those of the next entries, fetched or on their way, each
// kept with the entry it was fetched for. A page is handed over only if the
// list still holds that same entry at its place; a changed entry is fetched
// anew. Entries are counted from 1, as the run counts them.
//
// On their way at once: no more pages than the pool can run (twice the
// connections, since a transfer whose server stays silent stops counting
// against them), and no more from one host than its share, so that a list
// that holds the links of one site together does not leave every connection
// waiting on that site while an entry further down, on another site, could go.
// The window ahead is bounded by memory, not by the connections: a URL whose
// server takes its time-out to answer holds up nobody but itself, since the
// pages after it go on arriving until the pages held reach MostHeldBytes or
// the window MostEntriesAhead entries.
class FetchAhead : public QObject
{
    Q_OBJECT

public:
    // The bytes of the pages fetched and waiting for their turn.
    static constexpr qint64 MostHeldBytes = 256LL * 1024 * 1024;
    // How far past the entry at work the pages are fetched.
    static constexpr int MostEntriesAhead = 2000;

    // linkCount and linkAt read the run's list as it is at the moment of the call.
    FetchAhead(const FetchOptions& options, std::function<int()> linkCount,
               std::function<QString(int)> linkAt, QObject* parent = nullptr);

    void setLimits(const FetchLimits& limits);
    const FetchLimits& limits() const { return m_limits; }
    // The wait for an answer (FetchOptions::setTimeoutSeconds), for the
    // transfers started from now on.
    void setTimeoutSeconds(int seconds);

    // A new run over the list's first `count` entries; nothing is fetched
    // yet, and every server counts as answering again.
    void begin(int count);
    // The list's entries may have moved: the next refill() checks every page
    // held against its place.
    void listChanged() { m_listChanged = true; }
    // Brings the pages in line with the list as it is now, the entry at work
    // being `current`, which holds `currentUrl`. Its page is fetched when
    // `currentWanted` (its analysis has not begun); the next entries' pages
    // only when `lookAhead`.
    void refill(int current, const QString& currentUrl, bool currentWanted, bool lookAhead);
    // The page of entry `index` when it has arrived; it is no longer kept.
    std::optional<FetchResult> take(int index);
    // The same, still kept (null until it has arrived), and its entry's URL.
    const FetchResult* peek(int index) const;
    QString urlOf(int index) const { return m_pages.value(index).url; }
    // Lets go of every page but that of entry `keep` (0: of every page).
    void dropAllBut(int keep);
    // When the page of entry `index` waits to ask a busy server again, it
    // arrives now with the busy answer it had.
    void giveUpRetries(int index);
    // The run is over: every page is let go, every transfer stopped.
    void end();

    // Pages whose server has been silent for a while, and how long, from now,
    // until the last of them is given up at the latest.
    int waitingCount() const { return m_pool.waitingCount(); }
    qint64 waitingLeftMs() const { return m_pool.waitingLeftMs(); }
    int heldCount() const { return int(m_pages.size()); }
    qint64 heldBytes() const { return m_heldBytes; }

Q_SIGNALS:
    // The page of entry `index` has arrived; take() hands it over.
    void arrived(int index);
    // A fetch of url went out.
    void started(const QString& url);
    void waitingChanged(int count);

private:
    struct Page
    {
        QString url;
        QString host;
        std::optional<FetchResult> result;
        qint64 bytes = 0; // of the result, once it is in
    };

    bool hasRoom() const;
    void checkAgainstList(int current, const QString& currentUrl);
    void fetchDeferred(int current, int last);
    void fetch(int index, const QString& url, const QString& host);
    // Lets the page go; its transfer, if any, stops. The next one follows.
    QHash<int, Page>::iterator forget(QHash<int, Page>::iterator it);
    // A page of host is no longer on its way.
    void release(const QString& host);
    void onFinished(quint64 index, const FetchResult& result);
    void resetWindow();

    std::function<int()> m_linkCount;
    std::function<QString(int)> m_linkAt;
    FetchLimits m_limits{1, 1};
    FetchPool m_pool;
    int m_count = 0;
    QHash<int, Page> m_pages; // by the entry's place in the list
    // Looked at so far: the entries before m_frontier are fetched, held,
    // taken, or wait in m_deferred for a connection to their host.
    int m_frontier = 0;
    QHash<QString, std::deque<int>> m_deferred; // by host, in list order
    QSet<QString> m_freed;                      // hosts with deferred entries and a connection free again
    QHash<QString, int> m_onTheWay;             // pages on their way, by host
    int m_inFlight = 0;
    qint64 m_heldBytes = 0;
    bool m_listChanged = false;
};
