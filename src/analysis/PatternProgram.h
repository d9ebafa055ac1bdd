#pragma once

#include "analysis/PatternTree.h"

#include <bitset>
#include <cstdint>
#include <memory>
#include <vector>

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
    std::vector<std::unique_ptr<std::bitset<0x10000>>> sets;
    int captures = 0;  // groups, not counting the whole match
    int registers = 0; // 2 * (captures + 1) capture ends, then loop counters and positions
    // Units a match can start with, when the pattern cannot match the empty
    // text; null when any position may start one.
    std::unique_ptr<std::bitset<0x10000>> firstUnits;
    bool anchored = false; // can only match at the start of the subject

    static PatternProgram compile(const PatternTree& tree);
};
