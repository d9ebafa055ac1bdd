#pragma once

#include "pattern/PatternBacktracker.h"
#include "pattern/PatternLineMatch.h"
#include "pattern/PatternProgram.h"
#include "pattern/PatternSimpleMatch.h"
#include "pattern/PatternTree.h"

#include <QString>
#include <bitset>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <re2/stringpiece.h>

namespace re2 {
class RE2;
}
class PatternSubject;

// Compiles the patterns the user writes and runs the global match loop over a
// subject, with the meaning JavaScript's RegExp gives them (PatternParser).
// A pattern runs on RE2 whenever RE2 can run it exactly (PatternTranslator):
// RE2 never backtracks, so its answer is exact in linear time on any page.
// The rest (back references, look-arounds, large counts) runs on
// PatternBacktracker under a fixed budget of steps; a search that goes over
// it is undecided. No answer depends on the clock: only a deadline that the
// caller installs (AnalysisDeadline) can cut a search short, and that too
// gives an undecided outcome.
//
// Compiled patterns are kept in a small most-recently-used cache: the batch
// run compiles the same dozen patterns for every page, and an invalid pattern
// is remembered as invalid too. The last few subjects are kept in the forms
// the engines read (PatternSubject), since a page is searched by every
// pattern in turn.
//
// Not thread-safe: each thread owns its own engine.
class PatternEngine
{
public:
    // Which engines may run a pattern. BacktrackerOnly exists for comparing the two.
    enum class Engines
    {
        Auto,
        BacktrackerOnly
    };

    struct Compiled
    {
        PatternTree tree;
        PatternProgram program;
        std::unique_ptr<re2::RE2> re2; // whole matches only; null when RE2 cannot run the pattern
        // With the groups, when RE2's group values are JavaScript's; made
        // when first asked for.
        mutable std::unique_ptr<re2::RE2> re2Groups;
        mutable bool re2GroupsTried = false;
        int groups = 0;
        bool caseSensitive = true;
        bool decidable = true; // false: valid, but nested too deep to run
        // When every match is made of ASCII units (`alphabet`) and holds the
        // unit `required`, RE2 only searches the runs of the alphabet around
        // each occurrence of that unit, which memchr finds. 0: not so.
        char required = 0;
        std::bitset<128> alphabet;
        // ASCII texts every match holds; a subject without one of them has
        // no match.
        std::vector<std::string> requiredTexts;
        // ASCII text every match starts with, when it is worth looking for.
        std::string prefix;
        bool notWordBoundary = false; // holds '\B'
        // A literal or one quantified class, run on short subjects without
        // an engine; only for a pattern that RE2 runs too, so that the
        // answer is RE2's.
        PatternSimpleMatch simple;
        // "start text, '.*', end text": whole matches found without RE2.
        PatternLineMatch line;

        Compiled();
        ~Compiled();
    };

    enum class Scan
    {
        NoMatch,
        Match,
        Undecided, // the budget was spent, or the installed deadline passed
        Stopped    // the callback ended the loop
    };

    // Which matches the callback is given.
    enum class Report
    {
        Every,
        First,
        Last,  // only the last one (its whole match), once the loop is over
        Exists // none: only whether there is a match
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

    // The JavaScript global loop: every search starts where the previous
    // match ended, one code unit further after an empty match.
    Scan scan(const Compiled& c, const QString& subject, bool wantGroups, Report report, const OnMatch& onMatch);

private:
    Scan scanRe2(const Compiled& c, PatternSubject& subject, bool wantGroups, Report report,
                 const OnMatch& onMatch);
    Scan scanBacktracker(const Compiled& c, PatternSubject& subject, Report report, const OnMatch& onMatch);
    const re2::RE2* groupsRe2(const Compiled& c);
    static void findPrefilter(Compiled& c);
    PatternSubject& subjectFor(const QString& subject, bool caseSensitive);

    struct Entry
    {
        QString pattern;
        bool caseSensitive = false;
        std::unique_ptr<Compiled> compiled;
    };

    int m_cacheSize;
    Engines m_engines;
    std::vector<Entry> m_entries; // least recently used first
    PatternBacktracker m_backtracker;

    // The last few subjects. One page is read by a dozen patterns, in turns
    // with its header block and the texts cut out of it, with and without
    // regard to case, so a single slot would convert it again and again.
    struct SubjectSlot
    {
        std::unique_ptr<PatternSubject> subject;
        uint64_t lastUse = 0;
    };
    std::vector<SubjectSlot> m_subjects;
    uint64_t m_uses = 0;
    std::vector<re2::StringPiece> m_pieces;
    std::vector<qsizetype> m_offsets;
};
