#pragma once

#include <QString>
#include <QStringList>

class IniDocument;

// The user's own sites, whose links on partners' pages every run proves,
// whether a page must give one of them a followed link to become a row, and
// the search engine whose reading of robots.txt decides whether such a link
// counts. They live in preferences.ini, section [LinkBack], beside the run's
// other preferences (RunPreferences reads and writes them with the rest) and
// apart from links.ini, whose keys other tools read:
//   Sites=example.com, https://example.org/blog/
//   AcceptOnlyFollowed=0
//   RobotsAgent=Googlebot
// The entries are kept as the user wrote them; reading them as sites (and
// telling what is wrong with one) is the link-back proof's business.
class LinkBackPreferences
{
public:
    static constexpr char Section[] = "LinkBack";
    static constexpr char DefaultRobotsAgent[] = "Googlebot";

    // A missing section gives no sites, the check off and the default crawler.
    static LinkBackPreferences read(const IniDocument& doc);
    // Writes the keys of [LinkBack] that differ from a missing section or
    // that the file has already; every other line stays.
    void write(IniDocument& doc) const;

    const QStringList& sites() const { return m_sites; }
    void setSites(const QStringList& sites) { m_sites = sites; }
    bool acceptOnlyFollowed() const { return m_acceptOnlyFollowed; }
    void setAcceptOnlyFollowed(bool on) { m_acceptOnlyFollowed = on; }
    // The product token whose robots.txt group a link must pass ("*": the
    // group for every crawler). One that is no crawler's name gives the
    // default.
    const QString& robotsAgent() const { return m_robotsAgent; }
    void setRobotsAgent(const QString& agent);
    // A crawler's product token (letters, '-' and '_'), or "*".
    static bool isRobotsAgent(const QString& agent);

    // "a.com, b.org" as the Config line holds it: split at commas, blanks
    // around each entry dropped, empty pieces left out.
    static QStringList splitSites(const QString& line);
    static QString joinSites(const QStringList& sites);

    bool operator==(const LinkBackPreferences&) const = default;

private:
    QStringList m_sites;
    bool m_acceptOnlyFollowed = false;
    QString m_robotsAgent = QString::fromLatin1(DefaultRobotsAgent);
};
