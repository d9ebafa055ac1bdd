#pragma once

#include <QString>
#include <functional>
#include <array>
#include <memory>
#include <pcre2.h>
#include <string>
#include <vector>

namespace re2 {
class RE2;
}

// Compiles the patterns the user writes and runs the global match loop over a
// subject. Each pattern is translated once (PatternTranslator) and run by RE2
// whenever RE2 can express it: RE2 never backtracks, so its answer is exact in
// linear time on any page. The rest (back references, look-around, large
// counts) runs on PCRE2 under fixed count limits; a search that reaches one
// of them is undecided. No answer depends on the clock: only a deadline that
// the caller installs (AnalysisDeadline) can cut a search short, and that too
// gives an undecided outcome.
//
// Compiled patterns are kept in a small most-recently-used cache: the batch
// run compiles the same dozen patterns for every page, and an invalid pattern
// is remembered as invalid too. The last subject converted for RE2 is kept as
// well, since a page is searched by every pattern in turn.
//
// Not thread-safe: each thread owns its own engine.
class PatternEngine
{
public:
    // Which engines may run a pattern. Pcre2Only exists for comparing the two.
    enum class Engines
    {
        Auto,
        Pcre2Only
    };

    struct Compiled
    {
        pcre2_code* code = nullptr;
        pcre2_match_data* matchData = nullptr;
        std::unique_ptr<re2::RE2> re2;
        int groups = 0;
        bool anchored = false;     // can only match at the start of the subject
        bool startsAtLine = false; // can only match at the start or after a line break

        Compiled();
        ~Compiled();
    };

    enum class Scan
    {
        NoMatch,
        Match,
        Undecided, // a count limit was reached, or the installed deadline passed
        Stopped    // the callback ended the loop
    };

    // Called for each match in order with 2 * (groups + 1) offsets in UTF-16
    // units (start and end of the match, then of each group; -1 when a group
    // took no part). With wantGroups false only the first two are filled.
    // Returning false ends the loop.
    using OnMatch = std::function<bool(const qsizetype* offsets)>;

    explicit PatternEngine(int cacheSize = 32, Engines engines = Engines::Auto);
    ~PatternEngine();
    PatternEngine(const PatternEngine&) = delete;
    PatternEngine& operator=(const PatternEngine&) = delete;

    // nullptr when the pattern does not compile. The pointer stays valid until
    // the next call of compiled().
    const Compiled* compiled(const QString& pattern, bool caseSensitive);

    // The ECMAScript global loop: every search starts where the previous match
    // ended, one character (a whole surrogate pair) further after an empty
    // match. firstOnly stops after the first match.
    Scan scan(const Compiled& c, const QString& subject, bool wantGroups, bool firstOnly, const OnMatch& onMatch);

private:
    enum class Step
    {
        NoMatch,
        Match,
        Undecided
    };

    Scan scanPcre2(const Compiled& c, const QString& subject, bool firstOnly, const OnMatch& onMatch);
    Scan scanRe2(const Compiled& c, const QString& subject, bool wantGroups, bool firstOnly,
                 const OnMatch& onMatch);
    Step searchPcre2(const Compiled& c, const QString& subject, qsizetype offset);
    Step matchOnce(const Compiled& c, const QString& subject, qsizetype offset, PCRE2_SIZE lastStart);
    // A subject as RE2 reads it: UTF-8, with lone surrogates as the byte 0xFF,
    // which no RE2 pattern matches (as PCRE2 matches no invalid unit).
    struct Utf8Subject
    {
        QString source;
        std::string bytes;
        bool ascii = true;
    };
    const Utf8Subject& convertSubject(const QString& subject);

    struct Entry
    {
        QString pattern;
        bool caseSensitive = false;
        std::unique_ptr<Compiled> compiled;
    };

    int m_cacheSize;
    Engines m_engines;
    std::vector<Entry> m_entries; // least recently used first
    pcre2_compile_context* m_compileContext = nullptr;
    pcre2_match_context* m_matchContext = nullptr;
    pcre2_jit_stack* m_jitStack = nullptr;
    uint32_t m_calloutCalls = 0; // callouts seen, to look at the deadline every so often

    // The last few subjects in UTF-8. One page is read by a dozen patterns,
    // in turns with its header block and the texts cut out of it, so a single
    // slot would convert the page again and again.
    std::array<Utf8Subject, 3> m_utf8Subjects;
    size_t m_nextUtf8Slot = 0;
};
