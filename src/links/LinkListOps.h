#pragma once

#include "platform/DocumentSource.h"

#include <QString>
#include <QStringList>

class SortedListModel;

// The commands that fill and clean the link list, free of any widget: "Get
// links" once the page's anchors are in, the typed address, the de-duplication
// and the bad-URL sweep. The list keeps its own sorted order; every bulk change
// goes through one model reset so large pages stay fast.
class LinkListOps
{
public:
    explicit LinkListOps(SortedListModel& links);

    // The second half of "Get links": adds every harvested target of the page
    // (no filtering), then removes duplicates. Returns how many targets were
    // added before de-duplication.
    int addHarvest(const PageAnchors& page);

    // Walks the list from top to bottom and keeps an entry only if no earlier
    // kept entry has the same text without regard to case. Anchors without a
    // target give empty entries: the walk treats them like any other text, so
    // exactly one empty entry survives. Does nothing for fewer than two entries.
    void removeDuplicates();

    // A typed address is taken only if it is not empty and sorts after
    // "http://" in plain code-unit order: "http://..." and "https://..." pass,
    // and so does a bare host after "h" in the alphabet, while the untouched
    // prompt, "ftp://..." and capitals do not.
    static bool acceptsTypedLink(const QString& text);
    // Adds the text unchanged (no unwrapping, no de-duplication), emptying the
    // list first when clearFirst is set. Returns whether it was accepted.
    bool addTypedLink(const QString& text, bool clearFirst);

    // Each entry is tested once against every non-empty pattern, in order, and
    // removed at the first match; a pattern the engine rejects counts as a
    // match. Returns the number of entries removed.
    int removeBadUrlMatches(const QStringList& patterns);

private:
    SortedListModel& m_links;
};
