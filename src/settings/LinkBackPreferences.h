#pragma once

#include "platform/SaveOutcome.h"

#include <QString>
#include <QStringList>

// The user's own sites, whose links on partners' pages every run proves, and
// whether a page must give one of them a followed link to become a row. They
// live in preferences.ini, section [LinkBack], beside the run's other
// preferences and apart from links.ini, whose keys other tools read:
//   Sites=example.com, https://example.org/blog/
//   AcceptOnlyFollowed=0
// The entries are kept as the user wrote them; reading them as sites (and
// telling what is wrong with one) is the link-back proof's business.
class LinkBackPreferences
{
public:
    static constexpr char Section[] = "LinkBack";

    static LinkBackPreferences load(const QString& path);
    // Writes the two keys of [LinkBack] only; every other line stays.
    SaveOutcome save(const QString& path) const;

    const QStringList& sites() const { return m_sites; }
    void setSites(const QStringList& sites) { m_sites = sites; }
    bool acceptOnlyFollowed() const { return m_acceptOnlyFollowed; }
    void setAcceptOnlyFollowed(bool on) { m_acceptOnlyFollowed = on; }

    // "a.com, b.org" as the Config line holds it: split at commas, blanks
    // around each entry dropped, empty pieces left out.
    static QStringList splitSites(const QString& line);
    static QString joinSites(const QStringList& sites);

private:
    QStringList m_sites;
    bool m_acceptOnlyFollowed = false;
};
