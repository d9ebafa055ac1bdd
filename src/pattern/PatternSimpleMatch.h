#pragma once

#include "pattern/PatternCharClass.h"

#include <QtGlobal>
#include <functional>
#include <string>

struct PatternTree;

// The patterns that are one literal text, or one character class under a
// quantifier, matched by a plain loop over the units. Most patterns that the
// rules run on short texts are such (a bad word, a field's start and end
// parts, a status line, an optional quote), and on a text of a few dozen
// units the setup of a search by an engine costs far more than the search.
// The loop follows JavaScript's rules for these shapes exactly: a greedy
// quantifier takes the longest run it may, a lazy one the shortest, and no
// other way of matching exists for them.
class PatternSimpleMatch
{
public:
    enum class Found
    {
        None,
        Some,
        Stopped // the callback ended the loop
    };
    enum class Which
    {
        Every,
        First,
        Last // only the last one, once the loop is over
    };
    // Start and end of a match in units; returning false ends the loop.
    using OnMatch = std::function<bool(const qsizetype* offsets)>;

    // Not usable when the pattern has another shape, or capturing groups.
    static PatternSimpleMatch analyse(const PatternTree& tree);
    bool usable() const { return m_shape != Shape::None; }

    // The global loop over units (the forms when case is ignored, which the
    // tree's sets are made for): each search starts where the previous
    // match ended, one unit further after an empty match.
    Found scan(const char16_t* units, qsizetype length, Which which, const OnMatch& onMatch) const;

private:
    enum class Shape
    {
        None,
        Literal,
        Repeat
    };
    bool next(const char16_t* units, qsizetype length, qsizetype from, qsizetype& start,
              qsizetype& end) const;

    Shape m_shape = Shape::None;
    std::u16string m_literal;
    PatternCharClass m_set;
    qsizetype m_min = 0;
    qsizetype m_max = 0;
    bool m_greedy = true;
};
