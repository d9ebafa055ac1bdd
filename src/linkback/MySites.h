#pragma once

#include "linkback/WebUrl.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// One of the user's own sites: a host with an optional port and path.
struct MySite
{
    QString entry;      // as the user wrote it
    QString host;       // ASCII, lower case, without trailing dot and without "www."
    int port = -1;      // -1: the default port of http and https
    QString pathPrefix; // "/" for a whole site; else a percent-encoded path, compared as a prefix
};

// The user's sites, as host names ("example.com", "bücher.de", "example.com:8080")
// or address prefixes ("https://example.com/blog/"). A host stands for itself
// and its "www." twin, over http and https alike: a partner's link to
// http://www.example.com/ is a link to example.com.
class MySites
{
public:
    MySites() = default;

    // One entry, or nothing with *message saying what is wrong with it.
    static std::optional<MySite> parseEntry(const QString& entry, QString* message = nullptr);
    // Every entry; the invalid ones are left out and each adds its message.
    static MySites parse(const QStringList& entries, QStringList* messages = nullptr);

    bool isEmpty() const { return m_sites.isEmpty(); }
    const QList<MySite>& sites() const { return m_sites; }

    // Whether an absolute address points into one of the sites.
    bool covers(const WebUrl& url) const;
    bool covers(const QString& url) const { return covers(WebUrl::parse(url)); }

    // Whether text may mention one of the sites' hosts, in ASCII or Unicode,
    // any letter case: a quick test before a closer look.
    bool mayMention(const QString& text) const;

private:
    QList<MySite> m_sites;
};
