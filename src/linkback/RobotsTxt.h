#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// A site's robots.txt, read and matched the way the robots exclusion
// protocol (RFC 9309) has it: groups by crawler name (the product token,
// case-insensitive; several User-agent lines may open one group, and groups
// for the same crawler count as one) with the "*" group for every crawler no
// group names, the longest matching rule wins and Allow wins a tie, "*" and a
// final "$" in rules, rules and paths compared in one percent-encoded form.
// The file is read as UTF-8 octets whatever its server says. Only the first
// 500 KiB of a file count.
class RobotsTxt
{
public:
    static constexpr qsizetype MaxBytes = 500 * 1024;

    RobotsTxt() = default; // no rules: everything allowed
    static RobotsTxt parse(const QByteArray& content);
    static RobotsTxt allowAll() { return {}; }
    static RobotsTxt disallowAll();

    // What the file says about one page for one crawler, and why.
    struct Decision
    {
        bool allowed = true;
        // The rule that closes the page, as the file has it, with the group
        // it belongs to: "User-agent: Googlebot, Disallow: /links/". Empty
        // when the page is allowed, or closed with no rule (disallowAll()).
        QString rule;
    };

    // pathAndQuery: the page address's path and query as sent to the server.
    // agent: a crawler's product token ("Googlebot"; what follows the name,
    // as in "Googlebot/2.1", is left out), or "*" for any crawler.
    Decision decide(const QString& pathAndQuery, const QString& agent = QStringLiteral("*")) const;
    bool allows(const QString& pathAndQuery, const QString& agent = QStringLiteral("*")) const
    {
        return decide(pathAndQuery, agent).allowed;
    }

    int groupCount() const { return int(m_groups.size()); }
    int ruleCount() const;

    // Percent-encoding in one form: unreserved characters decoded, every
    // octet that may not stand in an address as it is (controls, blanks,
    // non-ASCII, and " < > \ ^ ` { | }) encoded, hex digits in upper case.
    static QByteArray normalisedPath(const QByteArray& path);

private:
    struct Rule
    {
        QList<QByteArray> pieces; // the pattern split at each '*'
        bool anchored = false;    // ended in '$'
        qsizetype length = 0;     // of the whole pattern, for the longest match
        bool allow = false;
        QByteArray text; // as the file has it
        bool matches(const QByteArray& path) const;
    };
    struct Group
    {
        QList<QByteArray> agents; // product tokens in lower case
        QList<QByteArray> names;  // the same as the file writes them
        QList<Rule> rules;
    };

    QList<Group> m_groups;
    bool m_disallowAll = false;
};
