#include "platform/FetchJob.h"

#include "platform/FetchLimits.h"

#include <QUrl>

FetchJob::FetchJob(quint64 ticket, const QString& url) : ticket(ticket), url(url)
{
    const QUrl parsed(url, QUrl::TolerantMode);
    host = FetchLimits::hostKey(url);
    const bool secure = parsed.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0;
    site = host + u':' + QString::number(parsed.port(secure ? 443 : 80));
}
