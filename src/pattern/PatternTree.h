#pragma once

#include "pattern/PatternCharClass.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// A pattern read into its parts (PatternParser): what the two engines that
// run it are built from (PatternTranslator for RE2, PatternBacktracker).
struct PatternNode
{
    enum class Kind : uint8_t
    {
        Empty,           // matches the empty text
        Set,             // one code unit of a PatternCharClass
        InputStart,      // '^'
        InputEnd,        // '$'
        WordBoundary,    // '\b'
        NotWordBoundary, // '\B'
        Group,           // '(...)' with capture > 0, or '(?:...)'
        Look,            // '(?=...)', '(?!...)', '(?<=...)', '(?<!...)'
        BackReference,   // '\1', '\k<name>'
        Alternation,
        Sequence,
        Repeat
    };
    static constexpr uint32_t kUnbounded = UINT32_MAX;

    Kind kind = Kind::Empty;
    int set = -1;         // Set: index into PatternTree::sets
    int capture = 0;      // Group: its number, 0 when not capturing; BackReference: the group's number
    bool behind = false;  // Look
    bool negative = false; // Look
    bool greedy = true;   // Repeat
    uint32_t min = 0;     // Repeat
    uint32_t max = 0;     // Repeat, kUnbounded for none
    std::vector<int> children;
};

struct PatternTree
{
    std::vector<PatternNode> nodes;
    std::vector<PatternCharClass> sets;
    int root = -1;
    int captures = 0;

    const PatternNode& node(int i) const { return nodes[size_t(i)]; }
    int add(PatternNode n)
    {
        nodes.push_back(std::move(n));
        return int(nodes.size()) - 1;
    }
    int addSet(PatternCharClass c)
    {
        sets.push_back(std::move(c));
        PatternNode n;
        n.kind = PatternNode::Kind::Set;
        n.set = int(sets.size()) - 1;
        return add(std::move(n));
    }

    // Whether the node can match the empty text, and whether it can match
    // nothing else (assertions, empty groups).
    bool canBeEmpty(int i) const;
    bool alwaysEmpty(int i) const;
    // The number of the first and one past the last capture inside the node.
    void capturesWithin(int i, int& first, int& end) const;

    // Every unit a match can hold.
    PatternCharClass alphabet() const;
    // Units of which every match of the node holds at least one, as few as
    // can be found; nullopt when no such set is known.
    std::optional<PatternCharClass> required(int i) const;
    // Runs of single units every match of the node holds, in the pattern's
    // order.
    std::vector<std::u16string> requiredTexts(int i) const;
    // The single units every match of the node starts with.
    std::u16string prefixText(int i) const;
};
