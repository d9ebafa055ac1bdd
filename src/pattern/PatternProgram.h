#pragma once

#include "pattern/PatternTree.h"

#include <algorithm>
#include <bitset>
#include <cstdint>
#include <vector>

// A set of code units as the backtracking engine tests them: a bit per unit
// below 256, sorted ranges above.
class PatternUnitSet
{
public:
    PatternUnitSet() = default;
    explicit PatternUnitSet(const PatternCharClass& members);

    bool contains(char16_t u) const
    {
        if (u < 256)
            return m_low[u];
        auto it = std::upper_bound(m_high.begin(), m_high.end(), u,
                                   [](char16_t v, const PatternCharClass::Range& r) { return v < r.lo; });
        return it != m_high.begin() && u <= (it - 1)->hi;
    }

private:
    std::bitset<256> m_low;
    std::vector<PatternCharClass::Range> m_high;
};

// A pattern compiled for PatternBacktracker: instructions that follow the
// matching rules of JavaScript step by step. An iteration of a quantified
// group starts with its captures cleared and, once the minimum count is
// reached, fails when it matched the empty text; look-arounds are atomic;
// a look-behind matches its body backwards, right to left.
struct PatternProgram
{
    enum class Op : uint8_t
    {
        Set,         // consume a unit of sets[a]
        InputStart,
        InputEnd,
        WordBoundary,
        NotWordBoundary,
        Save,        // registers[a] = position
        Clear,       // registers[a .. b) = -1
        Split,       // try a, then b
        Jump,        // go to a
        BackReference, // the text of capture a (b: backwards)
        LookStart,   // a: where to go on after the look-around, b: flags (kBehind, kNegative)
        LookEnd,     // the look-around's body matched
        LoopInit,    // registers[a] = 0: no iteration done yet
        LoopHead,    // a: counter, b: the body, c: the exit; min, max, greedy
        LoopTail,    // a: counter, b: register of the iteration's start, c: the head; min
        Star,        // sets[a] repeated min..max times (greedy or not); b: backwards
        Match
    };
    static constexpr int kBehind = 1;
    static constexpr int kNegative = 2;

    struct Instruction
    {
        Op op;
        bool greedy = true;
        bool backward = false;
        int a = 0;
        int b = 0;
        int c = 0;
        uint32_t min = 0;
        uint32_t max = 0;
    };

    std::vector<Instruction> code;
    std::vector<PatternUnitSet> sets;
    int captures = 0;  // groups, not counting the whole match
    int registers = 0; // 2 * (captures + 1) capture ends, then loop counters and positions
    // Units a match can start with, when the pattern cannot match the empty
    // text (hasFirstUnits); otherwise any position may start one.
    PatternUnitSet firstUnits;
    bool hasFirstUnits = false;
    bool anchored = false; // can only match at the start of the subject

    static PatternProgram compile(const PatternTree& tree);
};
