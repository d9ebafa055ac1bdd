#include "analysis/PatternEngine.h"

#include <algorithm>

namespace {

// The dialect: ECMAScript's \u and \x escapes, '$' only at the very end, '[]'
// and '[^]' as in JavaScript, a back reference to an unset group matching the
// empty text. Pages arrive as arbitrary UTF-16 (lone surrogates included), so
// invalid sequences must not stop a match.
constexpr uint32_t kCompileOptions = PCRE2_UTF | PCRE2_MATCH_INVALID_UTF | PCRE2_ALT_BSUX |
                                     PCRE2_DOLLAR_ENDONLY | PCRE2_ALLOW_EMPTY_CLASS |
                                     PCRE2_MATCH_UNSET_BACKREF |
                                     // lets a search be cut into windows of start positions
                                     PCRE2_USE_OFFSET_LIMIT;

// Limits that make a catastrophically backtracking pattern give up on a large
// page in a small fraction of a second while a greedy '(.*)' over a 1 MB
// single-line page still completes.
constexpr uint32_t kMatchLimit = 5'000'000;
constexpr uint32_t kDepthLimit = 250'000;
constexpr uint32_t kHeapLimitKiB = 64 * 1024;
constexpr size_t kJitStackStart = 32 * 1024;
constexpr size_t kJitStackMax = 4 * 1024 * 1024;

// PCRE2 applies its limits to each start position separately, so a pattern
// that does a moderate amount of work at every one of a million positions
// runs for minutes without reaching any of them. A search therefore tries at
// most a window of start positions per call and looks at the clock between
// calls; the window grows while calls are quick, so a cheap scan over a large
// page costs only a few calls, and shrinks again when a call is slow.
constexpr qsizetype kMinWindow = 16;
constexpr qsizetype kMaxWindow = 8192;
constexpr auto kQuickCall = std::chrono::microseconds(500);
constexpr auto kSlowCall = std::chrono::milliseconds(4);

// The first position after limit at which a match of a pattern that starts
// with '.*' can begin: just after a CR or an LF, never between CR and LF. -1
// when there is none.
qsizetype nextLineStart(const QString& subject, qsizetype limit)
{
    const qsizetype length = subject.size();
    for (qsizetype p = limit + 1; p <= length; ++p) {
        const QChar before = subject.at(p - 1);
        if (before == u'\n')
            return p;
        if (before == u'\r')
            return (p < length && subject.at(p) == u'\n') ? p + 1 : p;
    }
    return -1;
}

void destroyCompiled(PatternEngine::Compiled* c)
{
    if (!c)
        return;
    pcre2_match_data_free(c->matchData);
    pcre2_code_free(c->code);
    delete c;
}

} // namespace

PatternEngine::PatternEngine(int cacheSize) : m_cacheSize(std::max(1, cacheSize))
{
    m_compileContext = pcre2_compile_context_create(nullptr);
    // CR and LF both end a line, so '.' never matches either of them.
    pcre2_set_newline(m_compileContext, PCRE2_NEWLINE_ANYCRLF);

    m_matchContext = pcre2_match_context_create(nullptr);
    pcre2_set_match_limit(m_matchContext, kMatchLimit);
    pcre2_set_depth_limit(m_matchContext, kDepthLimit);
    pcre2_set_heap_limit(m_matchContext, kHeapLimitKiB);
    m_jitStack = pcre2_jit_stack_create(kJitStackStart, kJitStackMax, nullptr);
    if (m_jitStack)
        pcre2_jit_stack_assign(m_matchContext, nullptr, m_jitStack);
    m_entries.reserve(m_cacheSize);
}

PatternEngine::~PatternEngine()
{
    m_entries.clear();
    pcre2_jit_stack_free(m_jitStack);
    pcre2_match_context_free(m_matchContext);
    pcre2_compile_context_free(m_compileContext);
}

const PatternEngine::Compiled* PatternEngine::compiled(const QString& pattern, bool caseSensitive)
{
    for (auto it = m_entries.begin(); it != m_entries.end(); ++it) {
        if (it->caseSensitive == caseSensitive && it->pattern == pattern) {
            std::rotate(it, it + 1, m_entries.end());
            return m_entries.back().compiled.get();
        }
    }

    Entry entry;
    entry.pattern = pattern;
    entry.caseSensitive = caseSensitive;
    entry.compiled = {nullptr, &destroyCompiled};

    int errorCode = 0;
    PCRE2_SIZE errorOffset = 0;
    const uint32_t options = kCompileOptions | (caseSensitive ? 0u : uint32_t(PCRE2_CASELESS));
    pcre2_code* code =
        pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.utf16()), PCRE2_SIZE(pattern.size()), options,
                      &errorCode, &errorOffset, m_compileContext);
    if (code) {
        // Without JIT pcre2_match() interprets the pattern; same results, slower.
        pcre2_jit_compile(code, PCRE2_JIT_COMPLETE);
        auto* c = new Compiled;
        c->code = code;
        c->matchData = pcre2_match_data_create_from_pattern(code, nullptr);
        pcre2_pattern_info(code, PCRE2_INFO_CAPTURECOUNT, &c->captureCount);
        uint32_t allOptions = 0;
        pcre2_pattern_info(code, PCRE2_INFO_ALLOPTIONS, &allOptions);
        c->anchored = (allOptions & PCRE2_ANCHORED) != 0;
        uint32_t firstCodeType = 0;
        pcre2_pattern_info(code, PCRE2_INFO_FIRSTCODETYPE, &firstCodeType);
        c->startsAtLine = firstCodeType == 2;
        entry.compiled.reset(c);
        if (!c->matchData)
            entry.compiled.reset();
    }

    if (int(m_entries.size()) >= m_cacheSize)
        m_entries.erase(m_entries.begin());
    m_entries.push_back(std::move(entry));
    return m_entries.back().compiled.get();
}

PatternEngine::Step PatternEngine::search(const Compiled& c, const QString& subject, qsizetype offset,
                                          Budget& budget)
{
    using Clock = std::chrono::steady_clock;
    const qsizetype length = subject.size();
    if (c.anchored)
        return matchOnce(c, subject, offset, PCRE2_UNSET);
    qsizetype from = offset;
    for (;;) {
        const qsizetype window = budget.window;
        const bool lastWindow = length - from <= window;
        const auto started = Clock::now();
        const Step step = matchOnce(c, subject, from, lastWindow ? PCRE2_UNSET : PCRE2_SIZE(from + window));
        if (step != Step::NoMatch || lastWindow)
            return step;
        const auto finished = Clock::now();
        if (finished > budget.deadline)
            return Step::Failed;
        const auto spent = finished - started;
        if (spent < kQuickCall)
            budget.window = std::min(window * 2, kMaxWindow);
        else if (spent > kSlowCall)
            budget.window = std::max(window / 4, kMinWindow);
        // PCRE2 skips to the next line itself within a call; between calls
        // that is done here, or every window would rescan the rest of a line.
        if (c.startsAtLine) {
            from = nextLineStart(subject, from + window);
            if (from < 0)
                return Step::NoMatch;
            continue;
        }
        from += window + 1;
        // Never start between the two halves of a surrogate pair.
        if (from < length && subject.at(from).isLowSurrogate() && subject.at(from - 1).isHighSurrogate())
            ++from;
    }
}

PatternEngine::Step PatternEngine::matchOnce(const Compiled& c, const QString& subject, qsizetype offset,
                                             PCRE2_SIZE lastStart)
{
    pcre2_set_offset_limit(m_matchContext, lastStart);
    const int rc =
        pcre2_match(c.code, reinterpret_cast<PCRE2_SPTR>(subject.utf16()), PCRE2_SIZE(subject.size()),
                    PCRE2_SIZE(offset), 0, c.matchData, m_matchContext);
    if (rc == PCRE2_ERROR_NOMATCH)
        return Step::NoMatch;
    // Any other negative code is a limit (match, depth, heap, JIT stack) or an
    // internal error: the evaluation failed.
    if (rc < 0)
        return Step::Failed;
    return Step::Match;
}
