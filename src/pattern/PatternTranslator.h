#pragma once

#include "pattern/PatternTree.h"

#include <QString>
#include <optional>
#include <string>
#include <vector>

// Writes a PatternTree in RE2's syntax, when RE2 can run it exactly. RE2
// never backtracks: it decides in linear time on any page, and its choice
// among matches (the leftmost, then the first in the pattern's order) is the
// one a backtracking engine makes, as long as no loop can go round without
// consuming. JavaScript refuses an iteration past the minimum count that
// matches the empty text, so such a loop is written with a body that
// cannot: '(?:|a)*' becomes '(?:a)*'.
//
// RE2 reads a subject as UTF-8 in which each UTF-16 unit is one character
// (PatternCharClass::re2CodePoint), so its matches fall on code units, as in
// JavaScript. Back references and look-arounds it cannot run at all.
class PatternTranslator
{
public:
    struct Result
    {
        bool usable = false; // false: RE2 cannot run this pattern exactly
        std::string text;    // pure ASCII
        // With captures written: whether RE2's group values are
        // JavaScript's. They are not when a group had to be written twice
        // or sits in a loop, where JavaScript clears it on every iteration.
        bool groupsExact = false;
    };

    static Result translate(const PatternTree& tree, bool withCaptures);

private:
    PatternTranslator(const PatternTree& tree, bool withCaptures);

    QString text(int i);
    std::optional<QString> nonEmpty(int i);
    std::optional<QString> nonEmptySequence(const std::vector<int>& items, size_t from);
    QString repeat(int i);
    QString group(const PatternNode& n, const QString& body);
    static QString quantifier(uint32_t min, uint32_t max, bool greedy);
    int repeatNode(int child, uint32_t min, uint32_t max, bool greedy);
    bool tooLarge(const QString& text);

    PatternTree m_tree; // a copy: rewriting adds nodes to it
    const bool m_withCaptures;
    bool m_ok = true;
    int m_loops = 0;            // loops around the text being written
    int m_work = 0;
    std::vector<int> m_written; // per group: how often written
    bool m_groupsExact = true;
};
