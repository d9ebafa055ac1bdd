#include "linkback/RobotsCache.h"

#include "platform/FetchResult.h"

RobotsAnswer RobotsAnswer::fromFetch(const FetchResult& result)
{
    RobotsAnswer answer;
    if (!result.ok()) {
        // libcurl's words for its redirect limit: "Maximum (5) redirects followed".
        answer.kind = result.error.contains(QLatin1String("redirects followed"), Qt::CaseInsensitive)
                          ? Kind::TooManyRedirects
                          : Kind::NoResponse;
        return answer;
    }
    answer.kind = Kind::Response;
    const QStringList lines = result.header.split(QStringLiteral("\r\n"));
    answer.status = lines.value(0).section(u' ', 1, 1).toInt();
    for (const QString& line : lines)
        if (line.startsWith(QLatin1String("location:"), Qt::CaseInsensitive))
            answer.location = line.mid(9).trimmed();
    // The fetcher keeps a robots.txt as the bytes that came (RobotsLookup asks
    // it to); a page fetched as text is read back as UTF-8.
    answer.body = result.bodyBytes.isEmpty() ? result.body.toUtf8() : result.bodyBytes;
    return answer;
}

QString RobotsCache::hostKey(const WebUrl& page)
{
    if (!page.isValid() || !page.isHttp())
        return {};
    return page.scheme() + QStringLiteral("://") + page.host() + u':' + QString::number(page.effectivePort());
}

QString RobotsCache::robotsUrl(const WebUrl& page)
{
    return page.isValid() ? page.resolved(QStringLiteral("/robots.txt")).toString() : QString();
}

bool RobotsCache::needsFetch(const QString& pageUrl)
{
    const WebUrl page = WebUrl::parse(pageUrl);
    const QString key = hostKey(page);
    if (key.isEmpty() || m_hosts.contains(key))
        return false;
    Entry entry;
    entry.current = robotsUrl(page);
    m_hosts.insert(key, entry);
    return true;
}

QString RobotsCache::answer(const QString& pageUrl, const RobotsAnswer& answer)
{
    const QString key = hostKey(WebUrl::parse(pageUrl));
    if (key.isEmpty())
        return {};
    Entry& entry = m_hosts[key];
    if (entry.settled)
        return {};
    if (entry.current.isEmpty())
        entry.current = robotsUrl(WebUrl::parse(pageUrl));
    const auto settle = [&entry](const RobotsTxt& rules) {
        entry.rules = rules;
        entry.settled = true;
        return QString();
    };
    switch (answer.kind) {
    case RobotsAnswer::Kind::NoResponse:
        return settle(RobotsTxt::disallowAll());
    case RobotsAnswer::Kind::TooManyRedirects:
        return settle(RobotsTxt::allowAll());
    case RobotsAnswer::Kind::Response:
        break;
    }
    const int status = answer.status;
    if (status >= 200 && status < 300)
        return settle(RobotsTxt::parse(answer.body));
    if (status >= 300 && status < 400) {
        const WebUrl next = WebUrl::parse(entry.current).resolved(answer.location);
        if (answer.location.isEmpty() || !next.isValid() || !next.isHttp() || entry.hops >= MaxRedirects)
            return settle(RobotsTxt::allowAll());
        ++entry.hops;
        entry.current = next.toString();
        return entry.current;
    }
    if (status == 429 || status >= 500 || status < 200)
        return settle(RobotsTxt::disallowAll());
    return settle(RobotsTxt::allowAll());
}

bool RobotsCache::isSettled(const QString& pageUrl) const
{
    const auto it = m_hosts.constFind(hostKey(WebUrl::parse(pageUrl)));
    return it != m_hosts.constEnd() && it->settled;
}

RobotsRuling RobotsCache::ruling(const QString& pageUrl, const QString& agent) const
{
    const WebUrl page = WebUrl::parse(pageUrl);
    const auto it = m_hosts.constFind(hostKey(page));
    if (it == m_hosts.constEnd() || !it->settled)
        return {};
    const RobotsTxt::Decision decision = it->rules.decide(page.pathAndQuery(), agent);
    return {decision.allowed ? RobotsAccess::Allowed : RobotsAccess::Disallowed, decision.rule};
}
