#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// A site's robots.txt, read and matched the way the robots exclusion
// protocol (RFC 9309) has it: groups by crawler name with the "*" group for
// every other crawler, the longest matching rule wins and Allow wins a tie,
// "*" and a final "$" in rules, percent-encoding compared in one form. Only
// the first 500 KiB of a file count.
class RobotsTxt
{
public:
    static constexpr qsizetype MaxBytes = 500 * 1024;

    RobotsTxt() = default; // no rules: everything allowed
    static RobotsTxt parse(const QByteArray& content);
    static RobotsTxt allowAll() { return {}; }
    static RobotsTxt disallowAll();

    // pathAndQuery: the page address's path and query as sent to the server.
    // agent: a crawler's product token, or "*" for any crawler.
    bool allows(const QString& pathAndQuery, const QString& agent = QStringLiteral("*")) const;

    int groupCount() const { return int(m_groups.size()); }
    int ruleCount() const;

    // Percent-encoding in one form: unreserved characters decoded, everything
    // else outside printable ASCII encoded, hex digits in upper case.
    static QByteArray normalisedPath(const QByteArray& path);

private:
    struct Rule
    {
        QList<QByteArray> pieces; // the pattern split at each '*'
        bool anchored = false;    // ended in '$'
        qsizetype length = 0;     // of the whole pattern, for the longest match
        bool allow = false;
        bool matches(const QByteArray& path) const;
    };
    struct Group
    {
        QList<QByteArray> agents; // lower case
        QList<Rule> rules;
    };

    QList<Group> m_groups;
    bool m_disallowAll = false;
};
