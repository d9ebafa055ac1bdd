#include "analysis/Pattern.h"

#include "analysis/PatternEngine.h"

#include <QLocale>
#include <chrono>
#include <vector>

namespace {

// One engine per thread: the primitives stay free functions without shared
// mutable state, and a thread never waits for another's cache.
PatternEngine& engine()
{
    thread_local PatternEngine instance;
    return instance;
}

// A primitive that spends longer than this on one pattern counts as a failed
// evaluation: a pattern that backtracks badly at every one of a million start
// positions must not stall the run for minutes although no single attempt
// reaches a limit.
constexpr auto kPatternBudget = std::chrono::milliseconds(500);
constexpr int kMatchesPerClockCheck = 8;

// Start of the next search after an empty match at position: one character on.
// A surrogate pair is stepped over whole so that a replacement never lands
// between its two halves.
qsizetype stepPastEmptyMatch(const QString& subject, qsizetype position)
{
    if (position + 1 < subject.size() && subject.at(position).isHighSurrogate() &&
        subject.at(position + 1).isLowSurrogate())
        return position + 2;
    return position + 1;
}

// How much longer than its subject a replacement may make a text. A title
// pattern of "[\s\S]+" with a replacement of "$&" a hundred times over would
// otherwise turn a 16 MB page into gigabytes; no sensible rule grows a field
// by a million characters, so such a replacement counts as a failed one.
constexpr qsizetype kMaxReplaceGrowth = 1 << 20;

// Runs the ECMAScript global loop: every search starts where the previous
// match ended, and after an empty match one character further on. Calls
// onMatch(ovector) for each match in order; onMatch returning false ends the
// loop as a failed evaluation.
template <typename OnMatch>
PatternOutcome forEachMatch(PatternEngine& eng, const PatternEngine::Compiled& c, const QString& subject,
                            OnMatch&& onMatch)
{
    PatternEngine::Budget budget(kPatternBudget);
    const qsizetype length = subject.size();
    const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(c.matchData);
    qsizetype offset = 0;
    bool found = false;
    int count = 0;
    while (offset <= length) {
        const auto step = eng.search(c, subject, offset, budget);
        if (step == PatternEngine::Step::NoMatch)
            break;
        if (step == PatternEngine::Step::Failed)
            return PatternOutcome::Failed;
        const qsizetype start = qsizetype(ovector[0]);
        const qsizetype end = qsizetype(ovector[1]);
        // \K inside a lookahead can report an end before the start; such a
        // match cannot be replaced or reported consistently.
        if (end < start)
            return PatternOutcome::Failed;
        found = true;
        if (!onMatch(ovector))
            return PatternOutcome::Failed;
        offset = end > start ? end : stepPastEmptyMatch(subject, end);
        if (++count % kMatchesPerClockCheck == 0 && budget.exhausted())
            return PatternOutcome::Failed;
    }
    return found ? PatternOutcome::Match : PatternOutcome::NoMatch;
}

// A replacement text split once into literal runs and group references.
struct ReplacementPiece
{
    int group = -1; // -1: literal
    QString literal;
};

std::vector<ReplacementPiece> parseReplacement(const QString& replacement)
{
    std::vector<ReplacementPiece> pieces;
    QString literal;
    const auto flush = [&] {
        if (!literal.isEmpty()) {
            pieces.push_back({-1, literal});
            literal.clear();
        }
    };
    for (qsizetype i = 0; i < replacement.size(); ++i) {
        const QChar ch = replacement.at(i);
        if (ch != u'$' || i + 1 >= replacement.size()) {
            literal += ch;
            continue;
        }
        const QChar next = replacement.at(i + 1);
        if (next == u'$') {
            literal += u'$';
            ++i;
        } else if (next == u'&') {
            flush();
            pieces.push_back({0, {}});
            ++i;
        } else if (next >= u'1' && next <= u'9') {
            flush();
            pieces.push_back({next.unicode() - u'0', {}});
            ++i;
        } else {
            literal += ch;
        }
    }
    flush();
    return pieces;
}

} // namespace

QString RegexLastMatch(const QString& pattern, const QString& subject)
{
    PatternEngine& eng = engine();
    const PatternEngine::Compiled* c = eng.compiled(pattern, false);
    if (!c)
        return {};
    qsizetype lastStart = 0;
    qsizetype lastEnd = 0;
    const auto outcome = forEachMatch(eng, *c, subject, [&](const PCRE2_SIZE* ov) {
        lastStart = qsizetype(ov[0]);
        lastEnd = qsizetype(ov[1]);
        return true;
    });
    if (outcome != PatternOutcome::Match)
        return {};
    return subject.mid(lastStart, lastEnd - lastStart);
}

PatternOutcome PatternEvaluate(const QString& pattern, const QString& subject, bool caseSensitive)
{
    PatternEngine& eng = engine();
    const PatternEngine::Compiled* c = eng.compiled(pattern, caseSensitive);
    if (!c)
        return PatternOutcome::Failed;
    PatternEngine::Budget budget(kPatternBudget);
    switch (eng.search(*c, subject, 0, budget)) {
    case PatternEngine::Step::Match:
        return PatternOutcome::Match;
    case PatternEngine::Step::NoMatch:
        return PatternOutcome::NoMatch;
    case PatternEngine::Step::Failed:
        break;
    }
    return PatternOutcome::Failed;
}

bool PatternTest(const QString& pattern, const QString& subject, bool caseSensitive)
{
    return PatternEvaluate(pattern, subject, caseSensitive) != PatternOutcome::NoMatch;
}

QString PatternReplace(const QString& pattern, const QString& subject, const QString& replacement,
                       bool caseSensitive)
{
    PatternEngine& eng = engine();
    const PatternEngine::Compiled* c = eng.compiled(pattern, caseSensitive);
    if (!c)
        return subject;
    const std::vector<ReplacementPiece> pieces = parseReplacement(replacement);
    QString result;
    qsizetype copiedUpTo = 0;
    const auto outcome = forEachMatch(eng, *c, subject, [&](const PCRE2_SIZE* ov) {
        const qsizetype start = qsizetype(ov[0]);
        const qsizetype end = qsizetype(ov[1]);
        result += QStringView(subject).mid(copiedUpTo, start - copiedUpTo);
        for (const ReplacementPiece& piece : pieces) {
            // Checked piece by piece: one match may already be the whole page.
            if (result.size() - end > kMaxReplaceGrowth)
                return false;
            if (piece.group < 0) {
                result += piece.literal;
                continue;
            }
            // A group the pattern does not have, or one that took no part in
            // the match, inserts nothing.
            if (uint32_t(piece.group) > c->captureCount)
                continue;
            const PCRE2_SIZE gs = ov[2 * piece.group];
            const PCRE2_SIZE ge = ov[2 * piece.group + 1];
            if (gs == PCRE2_UNSET || ge == PCRE2_UNSET || ge < gs)
                continue;
            result += QStringView(subject).mid(qsizetype(gs), qsizetype(ge - gs));
        }
        copiedUpTo = end;
        return result.size() - end <= kMaxReplaceGrowth;
    });
    if (outcome != PatternOutcome::Match)
        return subject;
    result += QStringView(subject).mid(copiedUpTo);
    return result;
}

QString StripLineBreaks(const QString& text)
{
    QString result = text;
    result.remove(QStringLiteral("\r\n"));
    return result;
}

namespace {

bool isWordSeparator(QChar ch)
{
    switch (ch.unicode()) {
    case 0x00: // NUL
    case 0x09: // tab
    case 0x0A: // line feed
    case 0x0B: // vertical tab
    case 0x0C: // form feed
    case 0x0D: // carriage return
    case 0x20: // space
        return true;
    default:
        return false;
    }
}

// Only white space and NUL start a word; punctuation does not, so
// "jean-luc o'neil" becomes "Jean-luc O'neil".
QString properCase(const QLocale& locale, const QString& text)
{
    const QString lower = locale.toLower(text);
    QString result;
    result.reserve(lower.size());
    bool wordStart = true;
    for (qsizetype i = 0; i < lower.size(); ++i) {
        const QChar ch = lower.at(i);
        if (isWordSeparator(ch)) {
            result += ch;
            wordStart = true;
            continue;
        }
        if (!wordStart) {
            result += ch;
            continue;
        }
        wordStart = false;
        const qsizetype width =
            (ch.isHighSurrogate() && i + 1 < lower.size() && lower.at(i + 1).isLowSurrogate()) ? 2 : 1;
        result += locale.toUpper(lower.mid(i, width));
        i += width - 1;
    }
    return result;
}

} // namespace

QString ApplyCaseMode(const QString& text, CaseMode mode)
{
    const QLocale locale;
    switch (mode) {
    case CaseMode::Unchanged:
        return text;
    case CaseMode::Proper:
        return properCase(locale, text);
    case CaseMode::Lower:
        return locale.toLower(text);
    case CaseMode::Upper:
        return locale.toUpper(text);
    }
    return text;
}

QString DomainFromUrl(const QString& url, const QString& domainPattern)
{
    return RegexLastMatch(domainPattern, url);
}
