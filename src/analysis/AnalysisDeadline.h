#pragma once

#include <chrono>

// A time limit on the analysis of one page, installed for the current thread
// while the object lives. It never decides anything about the page: when it
// passes, every pattern search still to come gives up at once with an
// undecided outcome, and the owner, seeing passed(), throws the page's
// results away and reports the page as an error. Without a deadline
// installed the pattern searches never look at the clock.
class AnalysisDeadline
{
public:
    explicit AnalysisDeadline(std::chrono::milliseconds allowed);
    ~AnalysisDeadline();
    AnalysisDeadline(const AnalysisDeadline&) = delete;
    AnalysisDeadline& operator=(const AnalysisDeadline&) = delete;

    // True once the time has run out (and stays true).
    bool passed();
    std::chrono::milliseconds allowed() const { return m_allowed; }

    // Whether the deadline installed on this thread, if any, has passed.
    static bool currentPassed();
    // Whether any deadline is installed on this thread; never reads the clock.
    static bool installed();

private:
    std::chrono::milliseconds m_allowed;
    std::chrono::steady_clock::time_point m_end;
    bool m_passed = false;
    AnalysisDeadline* m_previous = nullptr;
};
