#pragma once

#include <QString>
#include <chrono>
#include <memory>
#include <pcre2.h>
#include <vector>

// Compiles patterns in the ECMAScript-like dialect the user writes and keeps the
// matching limits every primitive runs under. Compiled patterns are kept in a
// small most-recently-used cache: the batch run compiles the same dozen patterns
// for every page, and an invalid pattern is remembered as invalid too.
//
// Not thread-safe: each thread owns its own engine.
class PatternEngine
{
public:
    struct Compiled
    {
        pcre2_code* code = nullptr;
        pcre2_match_data* matchData = nullptr;
        uint32_t captureCount = 0;
        bool anchored = false;     // can only match at the start of the subject
        bool startsAtLine = false; // can only match at the start or after CR or LF
    };

    // Outcome of one search.
    enum class Step
    {
        NoMatch,
        Match,
        Failed
    };

    // The time one primitive may spend on a pattern, shared by all the searches
    // of a global loop, and the number of start positions the next call of
    // pcre2_match() may try before the clock is looked at again.
    struct Budget
    {
        explicit Budget(std::chrono::steady_clock::duration allowed)
            : deadline(std::chrono::steady_clock::now() + allowed)
        {}
        bool exhausted() const { return std::chrono::steady_clock::now() > deadline; }

        std::chrono::steady_clock::time_point deadline;
        qsizetype window = 256;
    };

    explicit PatternEngine(int cacheSize = 32);
    ~PatternEngine();
    PatternEngine(const PatternEngine&) = delete;
    PatternEngine& operator=(const PatternEngine&) = delete;

    // nullptr when the pattern does not compile. The pointer stays valid until
    // the next call of compiled().
    const Compiled* compiled(const QString& pattern, bool caseSensitive);

    // The leftmost match starting at or after offset; on Match the match data
    // of c holds the offsets. Failed when a limit is hit or the budget runs out.
    Step search(const Compiled& c, const QString& subject, qsizetype offset, Budget& budget);

private:
    Step matchOnce(const Compiled& c, const QString& subject, qsizetype offset, PCRE2_SIZE lastStart);

    struct Entry
    {
        QString pattern;
        bool caseSensitive = false;
        std::unique_ptr<Compiled, void (*)(Compiled*)> compiled{nullptr, nullptr};
    };

    int m_cacheSize;
    std::vector<Entry> m_entries; // least recently used first
    pcre2_compile_context* m_compileContext = nullptr;
    pcre2_match_context* m_matchContext = nullptr;
    pcre2_jit_stack* m_jitStack = nullptr;
};
