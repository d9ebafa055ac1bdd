#pragma once

#include <QString>

// The pattern primitives. Every user-editable pattern goes through these: a
// JavaScript regular expression, matched globally, with the meaning a
// browser's RegExp gives it (without flags other than i): UTF-16 code units,
// JavaScript's rules for ignoring case, named groups and look-behind
// included. RE2 runs it when RE2 can run it exactly, in linear time;
// otherwise a backtracking engine that follows JavaScript's rules runs it
// under a fixed budget of steps, never under a clock. The answer is the same
// on every machine. They never throw and never report: a pattern that does
// not compile, or whose search goes over the budget, gives each primitive's
// documented failure result. Compiled patterns are cached per thread, so the
// primitives may be called from any thread.

class PatternEngine;

// Outcome of evaluating a pattern. Invalid: the pattern does not compile.
// Undecided: a valid pattern the engines cannot decide: its search went over
// the backtracking budget (or it nests groups deeper than 200), or the
// analysis deadline of the thread passed; the caller must pick the reading
// that never lets a page in because of it.
enum class PatternOutcome
{
    NoMatch,
    Match,
    Invalid,
    Undecided
};

// Whole text of the last global match (case ignored); empty when there is none,
// or when the pattern is invalid or undecided.
QString RegexLastMatch(const QString& pattern, const QString& subject);

// PatternTest() takes the "found" branch for an invalid pattern (true) and
// the "not found" branch for an undecided one (false); a caller for which
// "found" is the cautious reading uses PatternEvaluate().
PatternOutcome PatternEvaluate(const QString& pattern, const QString& subject, bool caseSensitive = false);
bool PatternTest(const QString& pattern, const QString& subject, bool caseSensitive = false);

// Every global match replaced by the ECMAScript replacement text ($&, $1..$9, $$;
// a "$n" beyond the pattern's groups stays as written, as in browsers).
// The subject comes back unchanged when the pattern is invalid or undecided,
// and when the replacements would make it more than a million characters longer.
QString PatternReplace(const QString& pattern, const QString& subject, const QString& replacement,
                       bool caseSensitive = false);

// Removes every CR LF pair; lone CRs and LFs stay.
QString StripLineBreaks(const QString& text);

// RegexLastMatch(domainPattern, url): domainPattern is the EmailRegEx3 setting.
QString DomainFromUrl(const QString& url, const QString& domainPattern);

// The same three primitives on a given engine, for comparing the engines.
namespace PatternPrimitives {
QString RegexLastMatch(PatternEngine& engine, const QString& pattern, const QString& subject);
PatternOutcome PatternEvaluate(PatternEngine& engine, const QString& pattern, const QString& subject,
                               bool caseSensitive);
QString PatternReplace(PatternEngine& engine, const QString& pattern, const QString& subject,
                       const QString& replacement, bool caseSensitive);
} // namespace PatternPrimitives
