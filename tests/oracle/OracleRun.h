#pragma once

#include "OracleCase.h"
#include "OracleNode.h"

#include <QMap>
#include <QStringList>
#include <cstdint>

// A run of the differential test: generates the cases, puts them to both
// sides, shrinks every case on which they disagree to a small one that still
// shows the disagreement, and sorts those into classes by what they hold.
class OracleRun
{
public:
    struct Finding
    {
        uint64_t index = 0;
        OracleCase original;
        OracleCase minimal;
        int field = -1; // the first answer that differs
        OracleAnswer product;
        OracleAnswer reference;
        QString kind;
    };

    OracleRun(OracleNode& node, uint64_t seed, bool realistic = true)
        : m_node(node), m_seed(seed), m_realistic(realistic)
    {}

    // Runs cases [0, count). Shrinks at most maxShrunk findings; the rest are
    // classified as found. False when node could not be run.
    bool run(uint64_t count, int maxShrunk);

    uint64_t casesRun() const { return m_casesRun; }
    uint64_t skipped() const { return m_skipped; }
    const QList<Finding>& findings() const { return m_findings; }
    QMap<QString, int> countsByKind() const;
    // A report: the counts per class and a few shrunk examples of each.
    QString report(int examplesPerKind) const;
    QString error() const { return m_node.error(); }

    // Classes that are disagreements by design: an undecided answer where the
    // backtracking engine spent its budget (the cautious reading, never a
    // wrong verdict), as on a pattern that repeats an empty match a million
    // times.
    static bool documented(const QString& kind);

private:
    static int firstDifference(const OracleAnswer& a, const OracleAnswer& b);
    // Whether a global loop of the pattern over the subject goes over the
    // backtracking budget.
    static bool undecided(const OracleCase& c);
    bool shrink(Finding& finding);
    static QString classify(const OracleCase& c, const OracleAnswer& product, const OracleAnswer& reference);

    OracleNode& m_node;
    uint64_t m_seed;
    bool m_realistic;
    uint64_t m_casesRun = 0;
    uint64_t m_skipped = 0;
    QList<Finding> m_findings;
};
