#include "linkback/MySites.h"

#include <QUrl>

namespace {

QString withoutWww(const QString& host)
{
    return host.startsWith(u"www.") && host.size() > 4 ? host.mid(4) : host;
}

QString withoutTrailingDot(QString host)
{
    while (host.endsWith(u'.'))
        host.chop(1);
    return host;
}

QString quoted(const QString& entry)
{
    return u'"' + entry + u'"';
}

} // namespace

std::optional<MySite> MySites::parseEntry(const QString& entry, QString* message)
{
    const auto fail = [message](const QString& text) -> std::optional<MySite> {
        if (message)
            *message = text;
        return std::nullopt;
    };
    const QString trimmed = entry.trimmed();
    if (trimmed.isEmpty())
        return fail(QStringLiteral("A site entry is empty: give a host name such as example.com "
                                   "or an address such as https://example.com/."));
    // A bare host gets a scheme so that it reads as an address; the scheme
    // itself does not matter, http and https count alike.
    const qsizetype schemeMark = trimmed.indexOf(u"://");
    QString text = trimmed;
    if (schemeMark < 0)
        text = QStringLiteral("http://") + trimmed;
    const WebUrl url = WebUrl::parse(text);
    if (schemeMark >= 0 && !(trimmed.startsWith(u"http://", Qt::CaseInsensitive) ||
                             trimmed.startsWith(u"https://", Qt::CaseInsensitive)))
        return fail(quoted(entry) + QStringLiteral(" is not a web address: only http:// and https:// "
                                                   "addresses or host names can be sites."));
    if (!url.isValid() || url.host().isEmpty() || trimmed.contains(u' '))
        return fail(quoted(entry) + QStringLiteral(" is not a host name or a web address."));
    MySite site;
    site.entry = entry;
    site.host = withoutWww(withoutTrailingDot(url.host()));
    if (site.host.isEmpty() || site.host.startsWith(u'.'))
        return fail(quoted(entry) + QStringLiteral(" is not a host name or a web address."));
    if (url.port() >= 0 && url.port() != 80 && url.port() != 443)
        site.port = url.port();
    site.pathPrefix = url.path().isEmpty() ? QStringLiteral("/") : url.path();
    if (url.hasQuery())
        return fail(quoted(entry) + QStringLiteral(" has a query (\"?\"); give the site's host "
                                                   "name or the start of its addresses."));
    return site;
}

MySites MySites::parse(const QStringList& entries, QStringList* messages)
{
    MySites sites;
    for (const QString& entry : entries) {
        QString message;
        if (const std::optional<MySite> site = parseEntry(entry, &message))
            sites.m_sites.append(*site);
        else if (messages)
            messages->append(message);
    }
    return sites;
}

bool MySites::covers(const WebUrl& url) const
{
    if (!url.isValid() || !url.isHttp())
        return false;
    const QString host = withoutWww(withoutTrailingDot(url.host()));
    for (const MySite& site : m_sites) {
        if (host != site.host)
            continue;
        const int port = url.effectivePort();
        if (site.port >= 0 ? port != site.port : (port != 80 && port != 443))
            continue;
        if (site.pathPrefix == u"/" || url.path().startsWith(site.pathPrefix))
            return true;
        // "https://example.com/blog/" also covers the bare "https://example.com/blog".
        if (site.pathPrefix.endsWith(u'/') && url.path() == site.pathPrefix.chopped(1))
            return true;
    }
    return false;
}

bool MySites::mayMention(const QString& text) const
{
    for (const MySite& site : m_sites) {
        if (text.contains(site.host, Qt::CaseInsensitive))
            return true;
        const QString unicode = QUrl::fromAce(site.host.toLatin1());
        if (unicode != site.host && text.contains(unicode, Qt::CaseInsensitive))
            return true;
    }
    return false;
}
