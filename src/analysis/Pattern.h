#pragma once

#include <QString>

// The pattern primitives. Every user-editable pattern goes through these: an
// ECMAScript-dialect regular expression run by PCRE2 (16-bit, JIT), matched
// globally. They are pure: a pattern that does not compile, that runs into
// the engine's match limits, or that keeps one call busy for more than half a
// second, never throws and never reports; each primitive gives its documented
// failure result instead. Compiled patterns are cached per thread, so the
// primitives may be called from any thread.

enum class CaseMode
{
    Unchanged = 1,
    Proper = 2,
    Lower = 3,
    Upper = 4
};

// Outcome of evaluating a pattern: Failed covers an invalid pattern and a match
// that hit the engine's limits or the time budget (all take the "found" branch
// of a yes/no test).
enum class PatternOutcome
{
    NoMatch,
    Match,
    Failed
};

// Whole text of the last global match (case ignored); empty when there is none
// or the pattern fails.
QString RegexLastMatch(const QString& pattern, const QString& subject);

// Three-way test; PatternTest() folds Failed into true.
PatternOutcome PatternEvaluate(const QString& pattern, const QString& subject, bool caseSensitive = false);
bool PatternTest(const QString& pattern, const QString& subject, bool caseSensitive = false);

// Every global match replaced by the ECMAScript replacement text ($&, $1..$9, $$).
// The subject comes back unchanged when the pattern fails, and when the
// replacements would make it more than a million characters longer.
QString PatternReplace(const QString& pattern, const QString& subject, const QString& replacement,
                       bool caseSensitive = false);

// Removes every CR LF pair; lone CRs and LFs stay.
QString StripLineBreaks(const QString& text);

// Lower and upper case follow the default locale's rules. Proper lower-cases
// everything, then upper-cases the character at the start and after each space,
// tab, LF, VT, FF, CR or NUL; punctuation does not start a word.
QString ApplyCaseMode(const QString& text, CaseMode mode);

// RegexLastMatch(domainPattern, url): domainPattern is the EmailRegEx3 setting.
QString DomainFromUrl(const QString& url, const QString& domainPattern);
