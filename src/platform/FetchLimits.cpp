#include "platform/FetchLimits.h"

#include <QUrl>
#include <algorithm>

int FetchLimits::boundConnections(int connections)
{
    return std::clamp(connections, 1, MostConnections);
}

int FetchLimits::boundConnectionsPerHost(int connectionsPerHost)
{
    return std::clamp(connectionsPerHost, 1, MostConnectionsPerHost);
}

FetchLimits FetchLimits::bounded() const
{
    return FetchLimits{boundConnections(connections), boundConnectionsPerHost(connectionsPerHost)};
}

QString FetchLimits::hostKey(const QString& url)
{
    return QUrl(url, QUrl::TolerantMode).host().toLower();
}
