#include "pattern/Pattern.h"

#include "pattern/PatternEngine.h"
#include "pattern/PatternEngineScope.h"

#include <vector>

namespace {

// One engine per thread: the primitives stay free functions without shared
// mutable state, and a thread never waits for another's cache. Work on a pool
// thread brings its owner's engine (PatternEngineScope).
PatternEngine& engine()
{
    if (PatternEngine* given = PatternEngineScope::current())
        return *given;
    thread_local PatternEngine instance;
    return instance;
}

// How much longer than its subject a replacement may make a text. A title
// pattern of "[\s\S]+" with a replacement of "$&" a hundred times over would
// otherwise turn a 16 MB page into gigabytes; no sensible rule grows a field
// by a million characters, so such a replacement leaves the text unchanged.
constexpr qsizetype kMaxReplaceGrowth = 1 << 20;

// A replacement text split once into literal runs and group references.
struct ReplacementPiece
{
    int group = -1; // -1: literal
    QString literal;
};

// A group number beyond the pattern's groups is no reference: "$3" stays as
// it is, as browsers have it.
std::vector<ReplacementPiece> parseReplacement(const QString& replacement, int groups)
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
        } else if (next >= u'1' && next <= u'9' && next.unicode() - u'0' <= groups) {
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

namespace PatternPrimitives {

QString RegexLastMatch(PatternEngine& eng, const QString& pattern, const QString& subject)
{
    const PatternEngine::Compiled* c = eng.compiled(pattern, false);
    if (!c)
        return {};
    qsizetype lastStart = 0;
    qsizetype lastEnd = 0;
    const auto scan = eng.scan(*c, subject, false, PatternEngine::Report::Last, [&](const qsizetype* ov) {
        lastStart = ov[0];
        lastEnd = ov[1];
        return true;
    });
    if (scan != PatternEngine::Scan::Match)
        return {};
    return subject.mid(lastStart, lastEnd - lastStart);
}

PatternOutcome PatternEvaluate(PatternEngine& eng, const QString& pattern, const QString& subject,
                               bool caseSensitive)
{
    const PatternEngine::Compiled* c = eng.compiled(pattern, caseSensitive);
    if (!c)
        return PatternOutcome::Invalid;
    switch (eng.scan(*c, subject, false, PatternEngine::Report::Exists, [](const qsizetype*) { return true; })) {
    case PatternEngine::Scan::Match:
        return PatternOutcome::Match;
    case PatternEngine::Scan::NoMatch:
        return PatternOutcome::NoMatch;
    case PatternEngine::Scan::Undecided:
    case PatternEngine::Scan::Stopped:
        break;
    }
    return PatternOutcome::Undecided;
}

QString PatternReplace(PatternEngine& eng, const QString& pattern, const QString& subject,
                       const QString& replacement, bool caseSensitive)
{
    const PatternEngine::Compiled* c = eng.compiled(pattern, caseSensitive);
    if (!c)
        return subject;
    const std::vector<ReplacementPiece> pieces = parseReplacement(replacement, c->groups);
    bool wantGroups = false;
    for (const ReplacementPiece& piece : pieces)
        wantGroups = wantGroups || piece.group > 0;
    QString result;
    qsizetype copiedUpTo = 0;
    const auto scan = eng.scan(*c, subject, wantGroups, PatternEngine::Report::Every, [&](const qsizetype* ov) {
        const qsizetype start = ov[0];
        const qsizetype end = ov[1];
        result += QStringView(subject).mid(copiedUpTo, start - copiedUpTo);
        for (const ReplacementPiece& piece : pieces) {
            // Checked piece by piece: one match may already be the whole page.
            if (result.size() - end > kMaxReplaceGrowth)
                return false;
            if (piece.group < 0) {
                result += piece.literal;
                continue;
            }
            // A group that took no part in the match inserts nothing.
            const qsizetype gs = ov[2 * piece.group];
            const qsizetype ge = ov[2 * piece.group + 1];
            if (gs < 0 || ge < gs)
                continue;
            result += QStringView(subject).mid(gs, ge - gs);
        }
        copiedUpTo = end;
        return result.size() - end <= kMaxReplaceGrowth;
    });
    if (scan != PatternEngine::Scan::Match)
        return subject;
    result += QStringView(subject).mid(copiedUpTo);
    return result;
}

} // namespace PatternPrimitives

QString RegexLastMatch(const QString& pattern, const QString& subject)
{
    return PatternPrimitives::RegexLastMatch(engine(), pattern, subject);
}

PatternOutcome PatternEvaluate(const QString& pattern, const QString& subject, bool caseSensitive)
{
    return PatternPrimitives::PatternEvaluate(engine(), pattern, subject, caseSensitive);
}

bool PatternTest(const QString& pattern, const QString& subject, bool caseSensitive)
{
    switch (PatternEvaluate(pattern, subject, caseSensitive)) {
    case PatternOutcome::Match:
    case PatternOutcome::Invalid:
        return true;
    case PatternOutcome::NoMatch:
    case PatternOutcome::Undecided:
        break;
    }
    return false;
}

QString PatternReplace(const QString& pattern, const QString& subject, const QString& replacement,
                       bool caseSensitive)
{
    return PatternPrimitives::PatternReplace(engine(), pattern, subject, replacement, caseSensitive);
}

QString StripLineBreaks(const QString& text)
{
    QString result = text;
    result.remove(QStringLiteral("\r\n"));
    return result;
}

QString DomainFromUrl(const QString& url, const QString& domainPattern)
{
    return RegexLastMatch(domainPattern, url);
}
