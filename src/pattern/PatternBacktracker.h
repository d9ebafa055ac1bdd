#pragma once

#include "pattern/PatternProgram.h"

#include <QtGlobal>
#include <vector>

// Runs a PatternProgram over UTF-16 code units by backtracking, exactly as
// JavaScript's RegExp does: the alternatives in order, greedy and lazy
// iterations, back references, look-ahead and look-behind. It takes every
// pattern, but a pattern may make it try exponentially many ways, so it
// counts its steps and the room its choices take: a search that goes over
// its fixed budget is undecided, whatever the machine's speed. An installed
// AnalysisDeadline ends a search early, undecided too.
class PatternBacktracker
{
public:
    enum class Result
    {
        NoMatch,
        Match,
        Undecided
    };

    // Begins a global loop over a subject: its searches share one budget.
    void startScan(qsizetype length);

    // The first match that starts at `from` or after: captures gets
    // 2 * (captures + 1) offsets, -1 for a group that took no part.
    Result search(const PatternProgram& program, const char16_t* subject, qsizetype length, qsizetype from,
                  qsizetype* captures);
    // The match that starts exactly at `at`, if any.
    Result matchAt(const PatternProgram& program, const char16_t* subject, qsizetype length, qsizetype at,
                   qsizetype* captures);

private:
    enum class ChoiceKind : int
    {
        Alternative, // go on at pc
        LookAround,  // the body of a look-around has failed when this is reached
        GreedyStar,  // give back one more unit of a Star
        LazyStar     // take one more unit into a Star
    };
    struct Choice
    {
        int pc;
        ChoiceKind kind;
        qsizetype pos;
        qsizetype aux; // GreedyStar: the position it may not go past; LazyStar: units it may still take
        size_t trail;
    };
    struct TrailEntry
    {
        int reg;
        qsizetype old;
    };

    Result run(const PatternProgram& p, qsizetype start);
    bool backtrack(const PatternProgram& p, int& pc, qsizetype& pos);
    bool star(const PatternProgram::Instruction& in, const PatternUnitSet& set, int pc, qsizetype& pos);
    bool backReference(int group, bool backward, qsizetype& pos) const;
    void set(int reg, qsizetype value)
    {
        if (!m_choices.empty())
            m_trail.push_back({reg, m_regs[size_t(reg)]});
        m_regs[size_t(reg)] = value;
    }
    void undo(size_t height)
    {
        while (m_trail.size() > height) {
            m_regs[size_t(m_trail.back().reg)] = m_trail.back().old;
            m_trail.pop_back();
        }
    }
    bool push(Choice c);
    bool step() { return --m_chunk <= 0 && account(); }
    bool account();

    const char16_t* m_s = nullptr;
    qsizetype m_n = 0;
    std::vector<qsizetype> m_regs;
    std::vector<Choice> m_choices;
    std::vector<TrailEntry> m_trail;
    uint64_t m_steps = 0;     // in this start position
    uint64_t m_scanSteps = 0; // in this global loop
    uint64_t m_scanBudget = 0;
    int m_chunk = 0;
    bool m_undecided = false;
};
