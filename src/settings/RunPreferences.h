#pragma once

#include "platform/FetchLimits.h"
#include "platform/FetchOptions.h"
#include "platform/SaveOutcome.h"
#include "settings/LinkBackPreferences.h"

#include <QString>

class ProgramFolder;

// How a run fetches: how many pages at once in all and per host. These live in
// a file of their own, preferences.ini beside links.ini, so that links.ini
// keeps exactly the keys other tools and older copies read. Section [Run],
// keys Connections and ConnectionsPerHost, in the ranges and with the
// defaults of FetchLimits (1-32, default 6; 1-4, default 2); Timeout, how
// many seconds a fetch waits for a connection and the first byte of the
// answer (2-120, default 20; see FetchOptions::setTimeoutSeconds); KeepRuns,
// how many runs the run journal keeps (1-10000, default 50). Section
// [LinkBack]: the link-back proof's preferences (LinkBackPreferences).
//
// A value, read once per process; RunPreferencesHolder shares it with every
// run, test and re-check and says when it changes.
class RunPreferences
{
public:
    static constexpr char FileName[] = "preferences.ini";

    static constexpr int DefaultKeepRuns = 50;
    static constexpr int MostKeepRuns = 10000;

    static QString filePath(const ProgramFolder& folder);

    // Both sections in one read. A value outside its range is brought to the
    // nearest end of it; one that is missing or not a whole number gives the
    // default. Silent, as every load of the program is.
    static RunPreferences load(const QString& path);
    // Writes the keys of both sections; every other line of the file
    // (comments, other keys and sections) stays as it was. An existing file
    // that cannot be read is left alone.
    SaveOutcome save(const QString& path) const;

    const FetchLimits& limits() const { return m_limits; }
    int connections() const { return m_limits.connections; }
    int connectionsPerHost() const { return m_limits.connectionsPerHost; }
    // Both bring the value into range.
    void setConnections(int connections);
    void setConnectionsPerHost(int connectionsPerHost);
    int timeoutSeconds() const { return m_timeoutSeconds; }
    void setTimeoutSeconds(int seconds);
    // `base` with the time-out of these preferences.
    FetchOptions fetchOptions(FetchOptions base = {}) const;

    int keepRuns() const { return m_keepRuns; }
    void setKeepRuns(int keepRuns);

    const LinkBackPreferences& linkBack() const { return m_linkBack; }
    void setLinkBack(const LinkBackPreferences& linkBack) { m_linkBack = linkBack; }

    bool operator==(const RunPreferences&) const = default;

private:
    LinkBackPreferences m_linkBack;
    FetchLimits m_limits;
    int m_keepRuns = DefaultKeepRuns;
    int m_timeoutSeconds = FetchOptions::kDefaultTimeoutSeconds;
};
