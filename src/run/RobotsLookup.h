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
// 500 KiB count, at most five redirects), unlike the pages of the run, so
// these fetches go through a pool of their own with those options.
class RobotsLookup : public QObject
{
    Q_OBJECT

public:
    explicit RobotsLookup(const FetchOptions& pageOptions = {}, QObject* parent = nullptr);

    // A new run: every host is asked again.
    void reset();
    void setLimits(const FetchLimits& limits) { m_pool.setLimits(limits); }

    // The page's host file will be wanted: its fetch starts unless it is known
    // or on its way.
    void want(const QString& pageUrl);
    bool isSettled(const QString& pageUrl) const;
    RobotsAccess access(const QString& pageUrl) const { return m_cache.access(pageUrl); }
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
};
