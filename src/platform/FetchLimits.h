#pragma once

#include <QString>

// How many pages may be fetched at once: in all, and from one host. The pool
// that runs the transfers, the batch run that asks for pages ahead of their
// turn and the preferences that store the numbers all take the ranges, the
// defaults and the meaning of "one host" from here, so they cannot drift apart.
struct FetchLimits
{
    static constexpr int DefaultConnections = 6;
    static constexpr int MostConnections = 32;
    static constexpr int DefaultConnectionsPerHost = 2;
    static constexpr int MostConnectionsPerHost = 4;

    int connections = DefaultConnections;
    int connectionsPerHost = DefaultConnectionsPerHost;

    // The values brought into 1-MostConnections and 1-MostConnectionsPerHost.
    static int boundConnections(int connections);
    static int boundConnectionsPerHost(int connectionsPerHost);
    FetchLimits bounded() const;

    // The host whose share of connectionsPerHost a fetch of url takes: the
    // URL's host name in lower case (empty when the URL has none).
    static QString hostKey(const QString& url);

    bool operator==(const FetchLimits&) const = default;
};
