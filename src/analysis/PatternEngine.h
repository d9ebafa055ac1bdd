#pragma once

#include <QString>
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
    };

    // Outcome of one pcre2_match() call.
    enum class Step
    {
        NoMatch,
        Match,
        Failed
    };

    explicit PatternEngine(int cacheSize = 32);
    ~PatternEngine();
    PatternEngine(const PatternEngine&) = delete;
    PatternEngine& operator=(const PatternEngine&) = delete;

    // nullptr when the pattern does not compile. The pointer stays valid until
    // the next call of compiled().
    const Compiled* compiled(const QString& pattern, bool caseSensitive);

    // One search from offset; on Match the match data of c holds the offsets.
    Step match(const Compiled& c, const QString& subject, qsizetype offset) const;

private:
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
