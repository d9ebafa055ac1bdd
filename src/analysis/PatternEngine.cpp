#include "analysis/PatternEngine.h"

#include "analysis/AnalysisDeadline.h"
#include "analysis/PatternTranslator.h"

#include <algorithm>
#include <re2/re2.h>

namespace {

// The translated patterns spell every construct out, so PCRE2 needs only
// UTF-16 input that may hold lone surrogates, '$' at the very end only, and a
// back reference to an unset group matching the empty text (as in
// ECMAScript). PCRE2_USE_OFFSET_LIMIT lets a search be cut into windows of
// start positions, between which an installed deadline is looked at.
constexpr uint32_t kCompileOptions = PCRE2_UTF | PCRE2_MATCH_INVALID_UTF | PCRE2_DOLLAR_ENDONLY |
                                     PCRE2_MATCH_UNSET_BACKREF | PCRE2_USE_OFFSET_LIMIT;

// Count limits of a PCRE2 search. PCRE2 applies them to each start position
// separately, so they fix the outcome whatever the machine's speed; a search
// that reaches one is undecided.
constexpr uint32_t kMatchLimit = 5'000'000;
constexpr uint32_t kDepthLimit = 250'000;
constexpr uint32_t kHeapLimitKiB = 64 * 1024;
constexpr size_t kJitStackStart = 32 * 1024;
constexpr size_t kJitStackMax = 4 * 1024 * 1024;

// With a deadline installed, a PCRE2 search tries this many start positions
// per call, and RE2 this many matches, before the deadline is looked at.
// Neither number changes any result.
constexpr qsizetype kWindow = 4096;

// A pattern that only PCRE2 can run (back references, look-around) is
// compiled with a callout before every item, and the callout looks at the
// deadline now and then. The count limits fix the outcome but not the time:
// one step of a back reference compares as many characters as the group
// holds, so a single start position of "(a+)\1x" over a long run of a's takes
// seconds, and the deadline would otherwise be seen only after the window.
// The callouts change no result.
constexpr uint32_t kCalloutsPerCheck = 256;

int checkDeadline(pcre2_callout_block*, void* counter)
{
    auto* calls = static_cast<uint32_t*>(counter);
    if (++*calls % kCalloutsPerCheck == 0 && AnalysisDeadline::currentPassed())
        return PCRE2_ERROR_CALLOUT;
    return 0;
}
constexpr int kMatchesPerCheck = 64;

// Room for RE2's compiled program and its DFA caches, per pattern.
constexpr int64_t kRe2MaxMem = 16 << 20;

// The first position after limit at which a match of a pattern that can only
// start a line can begin: just after a CR or an LF, never between CR and LF.
// -1 when there is none.
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

qsizetype stepPastEmptyMatch(const QString& subject, qsizetype position)
{
    if (position + 1 < subject.size() && subject.at(position).isHighSurrogate() &&
        subject.at(position + 1).isLowSurrogate())
        return position + 2;
    return position + 1;
}

// Bytes and UTF-16 units of the character that starts with this byte, in the
// UTF-8 text convertSubject() makes.
struct Width
{
    int bytes;
    int units;
};

Width widthAt(unsigned char lead)
{
    if (lead < 0x80 || lead == 0xFF)
        return {1, 1};
    if (lead < 0xE0)
        return {2, 1};
    if (lead < 0xF0)
        return {3, 1};
    return {4, 2};
}

// Walks a UTF-8 text forwards, keeping the UTF-16 offset of its byte offset.
struct OffsetCursor
{
    const std::string* text;
    size_t byte = 0;
    qsizetype unit = 0;

    qsizetype unitAt(size_t target)
    {
        if (target < byte) {
            byte = 0;
            unit = 0;
        }
        while (byte < target) {
            const Width w = widthAt(static_cast<unsigned char>((*text)[byte]));
            byte += size_t(w.bytes);
            unit += w.units;
        }
        return unit;
    }
};

} // namespace

PatternEngine::Compiled::Compiled() = default;

PatternEngine::Compiled::~Compiled()
{
    pcre2_match_data_free(matchData);
    pcre2_code_free(code);
}

PatternEngine::PatternEngine(int cacheSize, Engines engines) : m_cacheSize(std::max(1, cacheSize)), m_engines(engines)
{
    m_compileContext = pcre2_compile_context_create(nullptr);
    m_matchContext = pcre2_match_context_create(nullptr);
    pcre2_set_match_limit(m_matchContext, kMatchLimit);
    pcre2_set_depth_limit(m_matchContext, kDepthLimit);
    pcre2_set_heap_limit(m_matchContext, kHeapLimitKiB);
    pcre2_set_callout(m_matchContext, &checkDeadline, &m_calloutCalls);
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

    const PatternTranslator::Result t = PatternTranslator::translate(pattern, caseSensitive);
    if (t.valid) {
        auto c = std::make_unique<Compiled>();
        c->groups = t.groups;
        if (t.re2Usable && m_engines == Engines::Auto) {
            RE2::Options options;
            options.set_case_sensitive(caseSensitive);
            options.set_never_nl(false);
            options.set_dot_nl(false);
            options.set_longest_match(false);
            options.set_log_errors(false);
            options.set_max_mem(kRe2MaxMem);
            c->re2 = std::make_unique<RE2>(t.re2, options);
            // A program too large for RE2 goes to PCRE2 instead.
            if (!c->re2->ok() || c->re2->NumberOfCapturingGroups() != t.groups)
                c->re2.reset();
        }
        // PCRE2 also decides whether the pattern is valid at all: RE2 takes
        // a few patterns PCRE2 refuses, and the two must agree.
        int errorCode = 0;
        PCRE2_SIZE errorOffset = 0;
        const uint32_t options = kCompileOptions | (caseSensitive ? 0u : uint32_t(PCRE2_CASELESS)) |
                                 (c->re2 ? 0u : uint32_t(PCRE2_AUTO_CALLOUT));
        c->code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(t.pcre2.utf16()), PCRE2_SIZE(t.pcre2.size()),
                                options, &errorCode, &errorOffset, m_compileContext);
        if (c->code) {
            if (!c->re2) {
                // Without JIT pcre2_match() interprets the pattern; same results, slower.
                pcre2_jit_compile(c->code, PCRE2_JIT_COMPLETE);
            }
            c->matchData = pcre2_match_data_create_from_pattern(c->code, nullptr);
            uint32_t allOptions = 0;
            pcre2_pattern_info(c->code, PCRE2_INFO_ALLOPTIONS, &allOptions);
            c->anchored = (allOptions & PCRE2_ANCHORED) != 0;
            uint32_t firstCodeType = 0;
            pcre2_pattern_info(c->code, PCRE2_INFO_FIRSTCODETYPE, &firstCodeType);
            c->startsAtLine = firstCodeType == 2;
            if (c->matchData)
                entry.compiled = std::move(c);
        }
    }

    if (int(m_entries.size()) >= m_cacheSize)
        m_entries.erase(m_entries.begin());
    m_entries.push_back(std::move(entry));
    return m_entries.back().compiled.get();
}

PatternEngine::Scan PatternEngine::scan(const Compiled& c, const QString& subject, bool wantGroups, bool firstOnly,
                                        const OnMatch& onMatch)
{
    if (AnalysisDeadline::currentPassed())
        return Scan::Undecided;
    if (c.re2)
        return scanRe2(c, subject, wantGroups, firstOnly, onMatch);
    return scanPcre2(c, subject, firstOnly, onMatch);
}

PatternEngine::Scan PatternEngine::scanPcre2(const Compiled& c, const QString& subject, bool firstOnly,
                                             const OnMatch& onMatch)
{
    const qsizetype length = subject.size();
    const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(c.matchData);
    const int slotCount = 2 * (c.groups + 1);
    std::vector<qsizetype> offsets(size_t(slotCount), -1);
    qsizetype offset = 0;
    bool found = false;
    int count = 0;
    while (offset <= length) {
        const Step step = searchPcre2(c, subject, offset);
        if (step == Step::NoMatch)
            break;
        if (step == Step::Undecided)
            return Scan::Undecided;
        for (int k = 0; k < slotCount; ++k)
            offsets[size_t(k)] = ovector[k] == PCRE2_UNSET ? -1 : qsizetype(ovector[k]);
        const qsizetype start = offsets[0];
        const qsizetype end = offsets[1];
        found = true;
        if (!onMatch(offsets.data()))
            return Scan::Stopped;
        if (firstOnly)
            break;
        offset = end > start ? end : stepPastEmptyMatch(subject, end);
        if (++count % kMatchesPerCheck == 0 && AnalysisDeadline::currentPassed())
            return Scan::Undecided;
    }
    return found ? Scan::Match : Scan::NoMatch;
}

PatternEngine::Step PatternEngine::searchPcre2(const Compiled& c, const QString& subject, qsizetype offset)
{
    const qsizetype length = subject.size();
    if (c.anchored)
        return matchOnce(c, subject, offset, PCRE2_UNSET);
    qsizetype from = offset;
    for (;;) {
        // Without a deadline to look at, one call searches the whole rest.
        const bool lastWindow = length - from <= kWindow || !AnalysisDeadline::installed();
        const Step step = matchOnce(c, subject, from, lastWindow ? PCRE2_UNSET : PCRE2_SIZE(from + kWindow));
        if (step != Step::NoMatch || lastWindow)
            return step;
        if (AnalysisDeadline::currentPassed())
            return Step::Undecided;
        // PCRE2 skips to the next line itself within a call; between calls
        // that is done here, or every window would rescan the rest of a line.
        if (c.startsAtLine) {
            from = nextLineStart(subject, from + kWindow);
            if (from < 0)
                return Step::NoMatch;
            continue;
        }
        from += kWindow + 1;
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
    // internal error: the search cannot decide.
    if (rc < 0)
        return Step::Undecided;
    return Step::Match;
}

const PatternEngine::Utf8Subject& PatternEngine::convertSubject(const QString& subject)
{
    for (Utf8Subject& cached : m_utf8Subjects) {
        if (cached.source.size() != subject.size())
            continue;
        if (cached.source.constData() == subject.constData() || cached.source == subject)
            return cached;
    }
    Utf8Subject& slot = m_utf8Subjects[m_nextUtf8Slot];
    m_nextUtf8Slot = (m_nextUtf8Slot + 1) % m_utf8Subjects.size();
    slot.source = subject;
    slot.ascii = true;
    const char16_t* p = reinterpret_cast<const char16_t*>(subject.utf16());
    const qsizetype n = subject.size();
    // Almost every page holds no surrogate at all; Qt's own encoder is much
    // faster than the loop below and gives the same bytes for such a text.
    // Blocks of a fixed length, so that the compiler checks many units at once.
    constexpr qsizetype kBlock = 64;
    bool anySurrogate = false;
    qsizetype at = 0;
    for (; at + kBlock <= n && !anySurrogate; at += kBlock) {
        unsigned found = 0;
        for (qsizetype k = 0; k < kBlock; ++k)
            found |= unsigned((p[at + k] & 0xF800) == 0xD800);
        anySurrogate = found != 0;
    }
    for (; at < n; ++at)
        anySurrogate |= (p[at] & 0xF800) == 0xD800;
    if (!anySurrogate) {
        const QByteArray encoded = subject.toUtf8();
        slot.bytes.assign(encoded.constData(), size_t(encoded.size()));
        slot.ascii = encoded.size() == n;
        return slot;
    }
    // At most three bytes a UTF-16 unit (a pair of units makes four bytes).
    slot.bytes.resize(size_t(n) * 3);
    char* out = slot.bytes.data();
    for (qsizetype i = 0; i < n; ++i) {
        char32_t cp = p[i];
        if (cp < 0x80) {
            *out++ = char(cp);
            continue;
        }
        slot.ascii = false;
        if (QChar::isHighSurrogate(cp) && i + 1 < n && QChar::isLowSurrogate(p[i + 1])) {
            cp = QChar::surrogateToUcs4(char16_t(cp), p[++i]);
        } else if (QChar::isSurrogate(cp)) {
            *out++ = char(0xFF);
            continue;
        }
        if (cp < 0x800) {
            *out++ = char(0xC0 | (cp >> 6));
        } else if (cp < 0x10000) {
            *out++ = char(0xE0 | (cp >> 12));
            *out++ = char(0x80 | ((cp >> 6) & 0x3F));
        } else {
            *out++ = char(0xF0 | (cp >> 18));
            *out++ = char(0x80 | ((cp >> 12) & 0x3F));
            *out++ = char(0x80 | ((cp >> 6) & 0x3F));
        }
        *out++ = char(0x80 | (cp & 0x3F));
    }
    slot.bytes.resize(size_t(out - slot.bytes.data()));
    return slot;
}

PatternEngine::Scan PatternEngine::scanRe2(const Compiled& c, const QString& subject, bool wantGroups,
                                           bool firstOnly, const OnMatch& onMatch)
{
    const Utf8Subject& utf8 = convertSubject(subject);
    const re2::StringPiece text(utf8.bytes.data(), utf8.bytes.size());
    const size_t n = utf8.bytes.size();
    // Group 0 alone lets RE2 answer with its DFAs; groups need its slower matchers.
    const int nsub = wantGroups ? c.groups + 1 : 1;
    std::vector<re2::StringPiece> sub(static_cast<size_t>(nsub));
    std::vector<qsizetype> offsets(size_t(2 * (c.groups + 1)), -1);
    OffsetCursor cursor{&utf8.bytes};
    size_t pos = 0;
    bool found = false;
    int count = 0;
    while (pos <= n) {
        if (!c.re2->Match(text, pos, n, RE2::UNANCHORED, sub.data(), nsub))
            break;
        const size_t start = size_t(sub[0].data() - text.data());
        const size_t end = start + sub[0].size();
        const auto toUnits = [&](size_t byte, OffsetCursor& cur) {
            return utf8.ascii ? qsizetype(byte) : cur.unitAt(byte);
        };
        offsets[0] = toUnits(start, cursor);
        OffsetCursor inner = cursor;
        offsets[1] = toUnits(end, inner);
        for (int g = 1; g < nsub; ++g) {
            if (!sub[size_t(g)].data()) {
                offsets[size_t(2 * g)] = offsets[size_t(2 * g + 1)] = -1;
                continue;
            }
            const size_t gs = size_t(sub[size_t(g)].data() - text.data());
            OffsetCursor groupCursor = cursor;
            offsets[size_t(2 * g)] = toUnits(gs, groupCursor);
            offsets[size_t(2 * g + 1)] = toUnits(gs + sub[size_t(g)].size(), groupCursor);
        }
        found = true;
        if (!onMatch(offsets.data()))
            return Scan::Stopped;
        if (firstOnly)
            break;
        cursor = inner;
        if (end > start)
            pos = end;
        else if (end < n)
            pos = end + size_t(widthAt(static_cast<unsigned char>(utf8.bytes[end])).bytes);
        else
            break;
        if (++count % kMatchesPerCheck == 0 && AnalysisDeadline::currentPassed())
            return Scan::Undecided;
    }
    return found ? Scan::Match : Scan::NoMatch;
}
