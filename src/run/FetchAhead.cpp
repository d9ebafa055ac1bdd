#include "run/FetchAhead.h"

FetchAhead::FetchAhead(const FetchOptions& options, std::function<int()> linkCount,
                       std::function<QString(int)> linkAt, QObject* parent)
    : QObject(parent), m_linkCount(std::move(linkCount)), m_linkAt(std::move(linkAt)),
      m_pool(nullptr, options, m_limits)
{
    // A server that stays silent ties up a socket, but neither bandwidth nor
    // work: its transfer stops counting against the connections in all, and
    // the pages of the servers that answer go on meanwhile. Politeness is the
    // per-host limit, which still counts every transfer.
    m_pool.setSilentTransfersFree(true);
    connect(&m_pool, &FetchPool::finished, this, &FetchAhead::onFinished);
    connect(&m_pool, &FetchPool::waitingChanged, this, &FetchAhead::waitingChanged);
}

void FetchAhead::setLimits(const FetchLimits& limits)
{
    m_limits = limits.bounded();
    m_pool.setLimits(m_limits);
}

void FetchAhead::setTimeoutSeconds(int seconds)
{
    m_pool.setTimeoutSeconds(seconds);
}

void FetchAhead::begin(int count)
{
    end();
    m_count = count;
    m_listChanged = false;
    // A host that did not answer in the last run may answer in this one.
    m_pool.forgetHosts();
}

void FetchAhead::resetWindow()
{
    m_frontier = 0;
    m_deferred.clear();
    m_freed.clear();
}

bool FetchAhead::hasRoom() const
{
    // Twice the connections: as many again may run while their servers are
    // silent, and the pool must have them at hand then.
    return m_inFlight < 2 * m_limits.connections && m_heldBytes < MostHeldBytes;
}

void FetchAhead::refill(int current, const QString& currentUrl, bool currentWanted, bool lookAhead)
{
    checkAgainstList(current, currentUrl);
    // The entry at work is fetched whatever it holds, room or not.
    if (currentWanted && !m_pages.contains(current))
        fetch(current, currentUrl, FetchLimits::hostKey(currentUrl));
    if (!lookAhead)
        return;
    const int last = qMin(qMin(m_count, m_linkCount()), current + MostEntriesAhead);
    m_frontier = qMax(m_frontier, current + 1);
    // The entries that waited for their host first: they come before the
    // frontier in the list.
    fetchDeferred(current, last);
    while (m_frontier <= last && hasRoom()) {
        const int i = m_frontier++;
        if (m_pages.contains(i))
            continue;
        const QString url = m_linkAt(i - 1);
        const QString host = FetchLimits::hostKey(url);
        // A host's pages are asked for in list order, so that what the pool
        // concludes from one about the next (a host that does not answer)
        // is what a run with one connection would conclude.
        const auto waiting = m_deferred.constFind(host);
        if ((waiting != m_deferred.constEnd() && !waiting->empty()) ||
            m_onTheWay.value(host) >= m_limits.connectionsPerHost) {
            m_deferred[host].push_back(i);
            continue;
        }
        fetch(i, url, host);
    }
}

// Drops the pages whose entry is no longer at its place. Only after the list
// changed is every page looked at; otherwise only the entry at work can
// differ from what was fetched (it is read when its turn begins).
void FetchAhead::checkAgainstList(int current, const QString& currentUrl)
{
    if (!m_listChanged) {
        const auto it = m_pages.find(current);
        if (it != m_pages.end() && it->url != currentUrl)
            forget(it);
        return;
    }
    m_listChanged = false;
    const int listed = m_linkCount();
    for (auto it = m_pages.begin(); it != m_pages.end();) {
        const int i = it.key();
        const bool keep = i == current
                              ? it->url == currentUrl
                              : i > current && i <= m_count && i <= listed && it->url == m_linkAt(i - 1);
        it = keep ? std::next(it) : forget(it);
    }
    // Every entry after the one at work is looked at again.
    resetWindow();
}

void FetchAhead::fetchDeferred(int current, int last)
{
    for (auto it = m_freed.begin(); it != m_freed.end() && hasRoom();) {
        const QString host = *it;
        const auto waiting = m_deferred.find(host);
        while (waiting != m_deferred.end() && !waiting->empty() &&
               m_onTheWay.value(host) < m_limits.connectionsPerHost && hasRoom() &&
               waiting->front() <= last) {
            const int i = waiting->front();
            waiting->pop_front();
            // The entry at work went when its turn came.
            if (i > current && !m_pages.contains(i))
                fetch(i, m_linkAt(i - 1), host);
        }
        if (waiting == m_deferred.end() || waiting->empty()) {
            if (waiting != m_deferred.end())
                m_deferred.erase(waiting);
            it = m_freed.erase(it);
        } else if (m_onTheWay.value(host) >= m_limits.connectionsPerHost) {
            it = m_freed.erase(it); // back when one of its pages is in
        } else {
            ++it;
        }
    }
}

void FetchAhead::fetch(int index, const QString& url, const QString& host)
{
    m_pages.insert(index, Page{url, host, std::nullopt, 0});
    ++m_inFlight;
    ++m_onTheWay[host];
    m_pool.enqueue(quint64(index), url);
    Q_EMIT started(url);
}

QHash<int, FetchAhead::Page>::iterator FetchAhead::forget(QHash<int, Page>::iterator it)
{
    if (it->result) {
        m_heldBytes -= it->bytes;
    } else {
        m_pool.cancel(quint64(it.key()));
        release(it->host);
    }
    return m_pages.erase(it);
}

void FetchAhead::release(const QString& host)
{
    --m_inFlight;
    if (--m_onTheWay[host] <= 0)
        m_onTheWay.remove(host);
    if (m_deferred.contains(host))
        m_freed.insert(host);
}

std::optional<FetchResult> FetchAhead::take(int index)
{
    const auto it = m_pages.find(index);
    if (it == m_pages.end() || !it->result)
        return std::nullopt;
    std::optional<FetchResult> result = std::move(it->result);
    m_heldBytes -= it->bytes;
    m_pages.erase(it);
    return result;
}

const FetchResult* FetchAhead::peek(int index) const
{
    const auto it = m_pages.constFind(index);
    return it == m_pages.constEnd() || !it->result ? nullptr : &*it->result;
}

void FetchAhead::dropAllBut(int keep)
{
    for (auto it = m_pages.begin(); it != m_pages.end();)
        it = it.key() == keep ? std::next(it) : forget(it);
    resetWindow();
}

void FetchAhead::giveUpRetries(int index)
{
    m_pool.giveUpRetries(quint64(index));
}

void FetchAhead::end()
{
    m_pool.cancelAll();
    m_pages.clear();
    m_onTheWay.clear();
    m_inFlight = 0;
    m_heldBytes = 0;
    resetWindow();
}

void FetchAhead::onFinished(quint64 index, const FetchResult& result)
{
    const auto it = m_pages.find(int(index));
    if (it == m_pages.end())
        return;
    it->result = result;
    // The texts are held as UTF-16.
    it->bytes = qint64(result.body.size() + result.header.size() + result.url.size() + result.error.size()) *
                    qint64(sizeof(QChar)) +
                qint64(sizeof(Page));
    m_heldBytes += it->bytes;
    release(it->host);
    Q_EMIT arrived(int(index));
}
