#pragma once

#include "HostileServer.h"

#include <QList>
#include <QString>

// The misbehaving answers, installed as routes of a HostileServer, and the
// good pages mixed in among them.
class HostileCatalogue
{
public:
    enum class Outcome
    {
        Fails,     // the fetch ends with an error (and no row)
        Truncated, // the body is cut at the size limit
        Arrives,   // a response arrives; whether it makes a row does not matter
    };

    struct Case
    {
        QString name;
        QString path;
        Outcome outcome;
    };

    // A page the run must turn into a row, with the title it must carry.
    struct GoodPage
    {
        QString path;
        QString title;
    };

    // Installs every hostile route. `localFile` is a file the client must never
    // read: redirects point at it.
    static QList<Case> install(HostileServer& server, const QString& localFile);
    static QList<GoodPage> installGoodPages(HostileServer& server, int count);

    // 1 GiB of blanks, gzip-compressed (about a megabyte); made once.
    static const QByteArray& gzipBomb();

    static constexpr qint64 HugeBodyBytes = qint64(1) << 30;
    static constexpr int TitleBytes = 5 * 1024 * 1024;
    static constexpr int HeaderLines = 10000;
};
