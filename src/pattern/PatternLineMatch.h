#pragma once

#include <cstddef>
#include <string>

struct PatternTree;

// The patterns "start text, then '.*', then end text" (a field between two
// tags, as in "<title>(.*)</title>"), matched on the UTF-8 text the RE2
// engine reads by searches for the two texts and for line ends. A match
// starts at an occurrence of the start text and, the greedy '.*' taking the
// rest of the line first, ends after the last occurrence of the end text
// before the line's end; without one there, no match starts anywhere else on
// that line either. RE2 reads a long line byte by byte; these searches read
// it many bytes at a time. Both texts are ASCII without line ends, so a byte
// search on the UTF-8 text finds exactly their occurrences.
class PatternLineMatch
{
public:
    // Not usable for any other shape. The '.*' may be in a group, whose
    // bounds next() does not give.
    static PatternLineMatch analyse(const PatternTree& tree, bool caseSensitive);
    bool usable() const { return !m_start.empty(); }

    // The next match that starts at byte `from` or after, as byte offsets.
    bool next(const char* bytes, size_t n, size_t from, size_t& start, size_t& end) const;

private:
    std::string m_start; // in the subject's forms when case is ignored
    std::string m_end;
};
