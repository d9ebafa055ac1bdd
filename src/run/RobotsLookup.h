#pragma once

#include "linkback/LinkBackVerdict.h"
#include "linkback/RobotsCache.h"
#include "platform/FetchLimits.h"
#include "platform/FetchPool.h"

#include <QHash>
#include <QObject>
#include <QString>

// The robots.txt of every host a run meets, each fetched once per run and
// never on the owner's thread. A file has limits of its own (the first
// 500 KiB count, at most five redirects, its bytes read as UTF-8 whatever the
// server says), unlike the pages of the run, so these fetches go through a
// pool of their own with those options.
class RobotsLookup : public QObject
{
    Q_OBJECT

public:
    explicit RobotsLookup(const FetchOptions& pageOptions = {}, QObject* parent = nullptr);

    // A new run: every host is asked again, unless the run needs no file
    // (`on` false), when want() asks for none.
    void reset(bool on = true);
    // The run's limits on its pages. A file is only asked for a host whose
    // page is on its way, so the pages already bound how many go at once;
    // only the per-host limit holds here, and a host whose file does not
    // come holds back no other host's.
    void setLimits(const FetchLimits& pageLimits);
    // The run's time-out (FetchOptions::setTimeoutSeconds), for the files
    // asked from now on.
    void setTimeoutSeconds(int seconds) { m_pool.setTimeoutSeconds(seconds); }

    // The page's host file will be wanted: its fetch starts unless it is known
    // or on its way (or the run needs no file).
    void want(const QString& pageUrl);
    bool isSettled(const QString& pageUrl) const;
    // What the file says about the page for the crawler `agent`.
    RobotsRuling ruling(const QString& pageUrl, const QString& agent) const
    {
        return m_cache.ruling(pageUrl, agent);
    }
    int hostCount() const { return m_cache.hostCount(); }
    int fetchCount() const { return m_fetches; }

Q_SIGNALS:
    // A host's file is settled; every page of that host can be decided now.
    void settled(const QString& pageUrl);

private:
    void onFinished(quint64 id, const FetchResult& result);

    FetchPool m_pool;
    RobotsCache m_cache;
    QHash<quint64, QString> m_pageOf; // fetch id -> the page that asked first
    quint64 m_nextId = 0;
    int m_fetches = 0;
    bool m_on = true;
};
