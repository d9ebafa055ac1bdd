#include "run/RobotsLookup.h"

#include "linkback/RobotsTxt.h"

namespace {

FetchOptions robotsOptions(FetchOptions options)
{
    options.maxRedirects = RobotsCache::MaxRedirects;
    // One byte past the limit shows that the file went on.
    options.maxBodyBytes = RobotsTxt::MaxBytes + 1;
    options.keepBodyBytes = true;
    return options;
}

} // namespace

RobotsLookup::RobotsLookup(const FetchOptions& pageOptions, QObject* parent)
    : QObject(parent),
      m_pool(nullptr, robotsOptions(pageOptions),
             FetchLimits{FetchLimits::MostConnections, FetchLimits::DefaultConnectionsPerHost})
{
    connect(&m_pool, &FetchPool::finished, this, &RobotsLookup::onFinished);
}

void RobotsLookup::reset(bool on)
{
    m_on = on;
    m_pool.cancelAll();
    m_pool.forgetHosts();
    m_cache = RobotsCache();
    m_pageOf.clear();
    m_fetches = 0;
}

void RobotsLookup::setLimits(const FetchLimits& pageLimits)
{
    m_pool.setLimits(FetchLimits{FetchLimits::MostConnections, pageLimits.connectionsPerHost});
}

void RobotsLookup::want(const QString& pageUrl)
{
    if (!m_on || !m_cache.needsFetch(pageUrl))
        return;
    const QString robots = RobotsCache::robotsUrl(WebUrl::parse(pageUrl));
    const quint64 id = ++m_nextId;
    m_pageOf.insert(id, pageUrl);
    ++m_fetches;
    m_pool.enqueue(id, robots);
}

void RobotsLookup::onFinished(quint64 id, const FetchResult& result)
{
    const QString pageUrl = m_pageOf.take(id);
    if (pageUrl.isEmpty())
        return;
    const QString next = m_cache.answer(pageUrl, RobotsAnswer::fromFetch(result));
    if (!next.isEmpty()) {
        m_pageOf.insert(id, pageUrl);
        ++m_fetches;
        m_pool.enqueue(id, next);
        return;
    }
    Q_EMIT settled(pageUrl);
}

bool RobotsLookup::isSettled(const QString& pageUrl) const
{
    // An address that is no web address has no robots.txt to wait for.
    return RobotsCache::hostKey(WebUrl::parse(pageUrl)).isEmpty() || m_cache.isSettled(pageUrl);
}
