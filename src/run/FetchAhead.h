#pragma once

#include "platform/FetchLimits.h"
#include "platform/FetchPool.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <functional>
#include <optional>

// The pages of a run's list, fetched ahead of their turn: the page of the
// entry at work and those of the next entries, fetched or on their way, each
// kept with the entry it was fetched for. A page is handed over only if the
// list still holds that same entry at its place; a changed entry is fetched
// anew. Entries are counted from 1, as the run counts them.
//
// Two bounds hold. On their way at once: no more pages than there are
// connections, and no more from one host than its share of them, so that a
// list that holds the links of one site together does not leave every
// connection waiting on that site while an entry further down, on another
// site, could go. In memory: a few pages per connection, the fetched ones
// waiting for their turn included.
class FetchAhead : public QObject
{
    Q_OBJECT

public:
    // linkCount and linkAt read the run's list as it is at the moment of the call.
    FetchAhead(const FetchOptions& options, std::function<int()> linkCount,
               std::function<QString(int)> linkAt, QObject* parent = nullptr);

    void setLimits(const FetchLimits& limits);
    const FetchLimits& limits() const { return m_limits; }

    // A new run over the list's first `count` entries; nothing is fetched yet.
    void begin(int count);
    // Brings the pages in line with the list as it is now, the entry at work
    // being `current`, which holds `currentUrl`. Its page is fetched when
    // `currentWanted` (its analysis has not begun); the next entries' pages
    // only when `lookAhead`.
    void refill(int current, const QString& currentUrl, bool currentWanted, bool lookAhead);
    // The page of entry `index` when it has arrived; it is no longer kept.
    std::optional<FetchResult> take(int index);
    // Lets go of every page but that of entry `keep` (0: of every page).
    void dropAllBut(int keep);
    // When the page of entry `index` waits to ask a busy server again, it
    // arrives now with the busy answer it had.
    void giveUpRetries(int index);
    // The run is over: every page is let go, every transfer stopped.
    void end();

Q_SIGNALS:
    // The page of entry `index` has arrived; take() hands it over.
    void arrived(int index);

private:
    struct Page
    {
        QString url;
        QString host;
        std::optional<FetchResult> result;
    };
    // How far down the list, in entries per connection, a page of another
    // site is looked for.
    static constexpr int LookAheadPerConnection = 16;
    // How many pages per connection may be fetched or on their way at once.
    static constexpr int HeldPerConnection = 3;

    void fetch(int index, const QString& url);
    void onFinished(quint64 index, const FetchResult& result);
    // Looked up once per entry and run, since the list is read far down after
    // every page.
    QString hostOf(const QString& url);

    std::function<int()> m_linkCount;
    std::function<QString(int)> m_linkAt;
    FetchLimits m_limits{1, 1};
    FetchPool m_pool;
    int m_count = 0;
    QHash<int, Page> m_pages; // by the entry's place in the list
    QHash<QString, QString> m_hosts;
};
