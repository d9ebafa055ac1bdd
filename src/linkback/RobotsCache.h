#pragma once

#include "linkback/LinkBackVerdict.h"
#include "linkback/RobotsTxt.h"
#include "linkback/WebUrl.h"

#include <QByteArray>
#include <QHash>
#include <QString>

struct FetchResult;

// What one fetch of a robots.txt gave.
struct RobotsAnswer
{
    enum class Kind
    {
        Response,         // a status line arrived
        NoResponse,       // no answer: the host is unreachable, timed out, refused
        TooManyRedirects, // the fetcher gave up following redirects
    };
    Kind kind = Kind::NoResponse;
    int status = 0;
    QString location; // the Location of a redirect the fetcher did not follow
    QByteArray body;

    // From the program's fetcher, which follows redirects itself. The body
    // is best fetched with FetchOptions::keepBodyBytes: the file is UTF-8
    // whatever charset its Content-Type names.
    static RobotsAnswer fromFetch(const FetchResult& result);
};

// The robots.txt of every host of one run, fetched once per host. The fetching
// is the caller's: needsFetch() says when, answer() takes what came back.
//   - 2xx: the file's rules;
//   - 3xx the fetcher did not follow: followed here, up to five hops, after
//     that (or a redirect loop) as if there were no file;
//   - 4xx: no file, everything allowed; 429 (slow down) counts as 5xx;
//   - 5xx or no answer: everything disallowed, the host may be keeping
//     crawlers out on purpose.
class RobotsCache
{
public:
    static constexpr int MaxRedirects = 5;

    // "https://example.com:443": scheme, host and port, the file's scope.
    static QString hostKey(const WebUrl& page);
    static QString robotsUrl(const WebUrl& page);

    // True once per host, for the first page asked about: the caller fetches
    // robotsUrl(page) then. False for a host known or on its way.
    bool needsFetch(const QString& pageUrl);
    // The answer to the fetch of the page host's robots.txt (or of the last
    // redirect target returned). Returns the address to fetch next when the
    // answer is a redirect to follow, else "" and the host is settled.
    QString answer(const QString& pageUrl, const RobotsAnswer& answer);

    bool isSettled(const QString& pageUrl) const;
    // What the host's file says about the page for the crawler `agent`, with
    // the rule that closes it; Unknown while the file has not been settled.
    RobotsRuling ruling(const QString& pageUrl, const QString& agent = QStringLiteral("*")) const;
    RobotsAccess access(const QString& pageUrl, const QString& agent = QStringLiteral("*")) const
    {
        return ruling(pageUrl, agent).access;
    }
    int hostCount() const { return int(m_hosts.size()); }

private:
    struct Entry
    {
        bool settled = false;
        RobotsTxt rules;
        QString current; // the address fetched last
        int hops = 0;
    };
    QHash<QString, Entry> m_hosts;
};
