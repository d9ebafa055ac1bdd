#pragma once

#include <atomic>
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
    // With `cancelled`, the deadline also counts as passed once that flag is
    // set: a page whose owner has gone away stops as it would at the limit.
    explicit AnalysisDeadline(std::chrono::milliseconds allowed, const std::atomic<bool>* cancelled = nullptr);
    ~AnalysisDeadline();
    AnalysisDeadline(const AnalysisDeadline&) = delete;
    AnalysisDeadline& operator=(const AnalysisDeadline&) = delete;

    // True once the time has run out or the analysis was cancelled (and stays true).
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
    const std::atomic<bool>* m_cancelled;
};
