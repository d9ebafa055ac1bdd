#include "run/FetchAhead.h"

FetchAhead::FetchAhead(const FetchOptions& options, std::function<int()> linkCount,
                       std::function<QString(int)> linkAt, QObject* parent)
    : QObject(parent), m_linkCount(std::move(linkCount)), m_linkAt(std::move(linkAt)),
      m_pool(nullptr, options, m_limits)
{
    connect(&m_pool, &FetchPool::finished, this, &FetchAhead::onFinished);
}

void FetchAhead::setLimits(const FetchLimits& limits)
{
    m_limits = limits.bounded();
    m_pool.setLimits(m_limits);
}

void FetchAhead::begin(int count)
{
    m_count = count;
    m_pages.clear();
    m_hosts.clear();
}

void FetchAhead::refill(int current, const QString& currentUrl, bool currentWanted, bool lookAhead)
{
    const int listed = m_linkCount();
    for (auto it = m_pages.begin(); it != m_pages.end();) {
        const int i = it.key();
        const bool keep = i == current
                              ? it->url == currentUrl
                              : i > current && i <= m_count && i <= listed && it->url == m_linkAt(i - 1);
        if (keep) {
            ++it;
        } else {
            m_pool.cancel(quint64(i));
            it = m_pages.erase(it);
        }
    }
    // The entry at work is fetched whatever it holds.
    if (currentWanted && !m_pages.contains(current))
        fetch(current, currentUrl);
    if (!lookAhead)
        return;
    // The pool would hold back a busy site's pages itself, but they would
    // fill this window and keep the other sites' pages out of it.
    QHash<QString, int> onTheWay; // per host
    int inFlight = 0;
    for (const Page& page : std::as_const(m_pages)) {
        if (!page.result) {
            ++onTheWay[page.host];
            ++inFlight;
        }
    }
    const int last = qMin(qMin(m_count, listed), current + LookAheadPerConnection * m_limits.connections);
    for (int i = current + 1; i <= last && inFlight < m_limits.connections &&
                              m_pages.size() < HeldPerConnection * m_limits.connections;
         ++i) {
        if (m_pages.contains(i))
            continue;
        const QString url = m_linkAt(i - 1);
        int& busy = onTheWay[hostOf(url)];
        if (busy >= m_limits.connectionsPerHost)
            continue;
        ++busy;
        ++inFlight;
        fetch(i, url);
    }
}

void FetchAhead::fetch(int index, const QString& url)
{
    m_pages.insert(index, Page{url, hostOf(url), std::nullopt});
    m_pool.enqueue(quint64(index), url);
}

std::optional<FetchResult> FetchAhead::take(int index)
{
    const auto it = m_pages.find(index);
    if (it == m_pages.end() || !it->result)
        return std::nullopt;
    std::optional<FetchResult> result = std::move(it->result);
    m_pages.erase(it);
    return result;
}

void FetchAhead::dropAllBut(int keep)
{
    for (auto it = m_pages.begin(); it != m_pages.end();) {
        if (it.key() == keep) {
            ++it;
            continue;
        }
        m_pool.cancel(quint64(it.key()));
        it = m_pages.erase(it);
    }
}

void FetchAhead::giveUpRetries(int index)
{
    m_pool.giveUpRetries(quint64(index));
}

void FetchAhead::end()
{
    m_pool.cancelAll();
    m_pages.clear();
    m_hosts.clear();
}

void FetchAhead::onFinished(quint64 index, const FetchResult& result)
{
    const auto it = m_pages.find(int(index));
    if (it == m_pages.end())
        return;
    it->result = result;
    Q_EMIT arrived(int(index));
}

QString FetchAhead::hostOf(const QString& url)
{
    const auto known = m_hosts.constFind(url);
    if (known != m_hosts.constEnd())
        return known.value();
    return m_hosts.insert(url, FetchLimits::hostKey(url)).value();
}
