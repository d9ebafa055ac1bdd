#include "links/LinkListOps.h"

#include "filters/SortedListModel.h"
#include "links/LinkHarvester.h"
#include "pattern/Pattern.h"
#include "platform/LogCategories.h"

#include <QSet>
#include <vector>

LinkListOps::LinkListOps(SortedListModel& links) : m_links(links) {}

int LinkListOps::addHarvest(const PageAnchors& page)
{
    const QStringList targets = LinkHarvester::harvestPage(page);
    if (!targets.isEmpty())
        m_links.addMany(targets);
    removeDuplicates();
    qCDebug(lcLinks, "%lld link targets harvested; the list now holds %d entries", qint64(targets.size()),
            m_links.count());
    return int(targets.size());
}

void LinkListOps::removeDuplicates()
{
    const QStringList& entries = m_links.entries();
    if (entries.size() < 2)
        return;

    // One pass with a set of case-folded texts: the walk is linear whatever the
    // size of the page, and the kept entries stay in list order.
    QSet<QString> seen;
    seen.reserve(entries.size());
    QStringList kept;
    kept.reserve(entries.size());
    for (const QString& entry : entries) {
        const QString key = entry.toCaseFolded();
        if (seen.contains(key))
            continue;
        seen.insert(key);
        kept.append(entry);
    }
    if (kept.size() != entries.size())
        m_links.setEntries(kept);
}

bool LinkListOps::acceptsTypedLink(const QString& text)
{
    return !text.isEmpty() && QString::compare(text, QStringLiteral("http://"), Qt::CaseSensitive) > 0;
}

bool LinkListOps::addTypedLink(const QString& text, bool clearFirst)
{
    if (!acceptsTypedLink(text))
        return false;
    if (clearFirst)
        m_links.clear();
    m_links.add(text);
    return true;
}

int LinkListOps::removeBadUrlMatches(const QStringList& patterns)
{
    const QStringList& entries = m_links.entries();
    if (entries.isEmpty())
        return 0;

    QStringList active;
    for (const QString& pattern : patterns) {
        if (!pattern.isEmpty())
            active.append(pattern);
    }
    if (active.isEmpty())
        return 0;

    // Pattern by pattern rather than entry by entry: the outcome is the same
    // (an entry goes if any pattern finds it, and a removed entry is not tested
    // again), but each pattern is compiled once instead of once per entry when
    // the list holds more patterns than the engine's cache.
    std::vector<char> bad(size_t(entries.size()), 0);
    for (const QString& pattern : active) {
        for (qsizetype i = 0; i < entries.size(); ++i) {
            // PatternTest folds a pattern that does not compile into "found",
            // and one that cannot be decided on an entry into "not found": the
            // sweep only removes what a pattern is known to match, so an entry
            // is never lost on a guess (the batch run's checks still judge
            // its page).
            if (!bad[size_t(i)] && PatternTest(pattern, entries.at(i)))
                bad[size_t(i)] = 1;
        }
    }
    QStringList kept;
    kept.reserve(entries.size());
    for (qsizetype i = 0; i < entries.size(); ++i) {
        if (!bad[size_t(i)])
            kept.append(entries.at(i));
    }
    const int removed = int(entries.size() - kept.size());
    if (removed > 0)
        m_links.setEntries(kept);
    qCDebug(lcLinks, "%d entries matched a bad-URL pattern and were removed", removed);
    return removed;
}
