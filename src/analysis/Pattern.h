#pragma once

#include "settings/SettingsChoices.h"

#include <QString>

// The pattern primitives. Every user-editable pattern goes through these: an
// ECMAScript-dialect regular expression, matched globally, run by RE2 when it
// can express the pattern and by PCRE2 (16-bit, JIT) otherwise. The answer is
// exact and the same on every machine: RE2 decides in linear time, and PCRE2
// runs under fixed count limits, never under a clock. They never throw and
// never report: a pattern that does not compile, or that reaches PCRE2's
// limits, gives each primitive's documented failure result. Compiled patterns
// are cached per thread, so the primitives may be called from any thread.

class PatternEngine;

// Outcome of evaluating a pattern. Invalid: the pattern does not compile.
// Undecided: a back reference or look-around made PCRE2 reach its count
// limits, or the analysis deadline of the thread passed; the caller must pick
// the reading that never lets a page in because of it.
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

// Every global match replaced by the ECMAScript replacement text ($&, $1..$9, $$).
// The subject comes back unchanged when the pattern is invalid or undecided,
// and when the replacements would make it more than a million characters longer.
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

// The same three primitives on a given engine, for comparing the engines.
namespace PatternPrimitives {
QString RegexLastMatch(PatternEngine& engine, const QString& pattern, const QString& subject);
PatternOutcome PatternEvaluate(PatternEngine& engine, const QString& pattern, const QString& subject,
                               bool caseSensitive);
QString PatternReplace(PatternEngine& engine, const QString& pattern, const QString& subject,
                       const QString& replacement, bool caseSensitive);
} // namespace PatternPrimitives
