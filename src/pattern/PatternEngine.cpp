#include "pattern/PatternEngine.h"

#include "pattern/AnalysisDeadline.h"
#include "pattern/PatternParser.h"
#include "pattern/PatternSubject.h"
#include "pattern/PatternTextSearch.h"
#include "pattern/PatternTranslator.h"

#include <algorithm>
#include <cstring>
#include <re2/re2.h>

namespace {

// With a deadline installed, the loops look at it after this many matches.
constexpr int kMatchesPerCheck = 64;
// Room for RE2's compiled program and its DFA caches, per pattern.
constexpr int64_t kRe2MaxMem = 16 << 20;
constexpr size_t kSubjectSlots = 8;
// The longest subject a simple pattern runs on without an engine. Its loop
// is linear too, but RE2's search of a page skips ahead by its prefilters.
constexpr qsizetype kSimpleMaxLength = 4096;

std::unique_ptr<re2::RE2> makeRe2(const std::string& text, int groups)
{
    RE2::Options options;
    options.set_case_sensitive(true); // case is handled by the forms
    options.set_longest_match(false);
    options.set_log_errors(false);
    options.set_max_mem(kRe2MaxMem);
    auto re = std::make_unique<re2::RE2>(text, options);
    // A program too large for RE2 goes to the backtracking engine instead.
    if (!re->ok() || re->NumberOfCapturingGroups() != groups)
        return nullptr;
    return re;
}

bool isContinuation(char byte)
{
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

size_t characterBytes(char lead)
{
    const auto b = static_cast<unsigned char>(lead);
    return b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
}

} // namespace

PatternEngine::Compiled::Compiled() = default;
PatternEngine::Compiled::~Compiled() = default;

PatternEngine::PatternEngine(int cacheSize, Engines engines) : m_cacheSize(std::max(1, cacheSize)), m_engines(engines)
{
    m_entries.reserve(size_t(m_cacheSize));
}

PatternEngine::~PatternEngine() = default;

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
    PatternParser::Result parsed = PatternParser::parse(pattern, caseSensitive);
    if (parsed.status != PatternParser::Status::Invalid) {
        auto c = std::make_unique<Compiled>();
        c->caseSensitive = caseSensitive;
        c->decidable = parsed.status == PatternParser::Status::Ok;
        if (c->decidable) {
            c->tree = std::move(parsed.tree);
            c->groups = c->tree.captures;
            c->program = PatternProgram::compile(c->tree);
            if (m_engines == Engines::Auto) {
                const PatternTranslator::Result t = PatternTranslator::translate(c->tree, false);
                if (t.usable)
                    c->re2 = makeRe2(t.text, 0);
                if (c->re2) {
                    findPrefilter(*c);
                    c->simple = PatternSimpleMatch::analyse(c->tree);
                    c->line = PatternLineMatch::analyse(c->tree, caseSensitive);
                }
            }
        }
        entry.compiled = std::move(c);
    }

    if (int(m_entries.size()) >= m_cacheSize)
        m_entries.erase(m_entries.begin());
    m_entries.push_back(std::move(entry));
    return m_entries.back().compiled.get();
}

PatternSubject& PatternEngine::subjectFor(const QString& subject, bool caseSensitive)
{
    ++m_uses;
    for (SubjectSlot& slot : m_subjects) {
        if (slot.subject->isFor(subject, caseSensitive)) {
            slot.lastUse = m_uses;
            return *slot.subject;
        }
    }
    if (m_subjects.size() < kSubjectSlots) {
        m_subjects.push_back({std::make_unique<PatternSubject>(), 0});
    }
    // The least recently used slot takes the new subject, keeping its buffers.
    SubjectSlot& slot = *std::min_element(m_subjects.begin(), m_subjects.end(),
                                          [](const SubjectSlot& a, const SubjectSlot& b) { return a.lastUse < b.lastUse; });
    slot.subject->reset(subject, caseSensitive);
    slot.lastUse = m_uses;
    return *slot.subject;
}

void PatternEngine::findPrefilter(Compiled& c)
{
    const PatternTree& t = c.tree;
    for (const PatternNode& n : t.nodes)
        c.notWordBoundary = c.notWordBoundary || n.kind == PatternNode::Kind::NotWordBoundary;
    // Their ASCII parts: the bytes of ASCII units are the units.
    for (const std::u16string& text : t.requiredTexts(t.root)) {
        std::string ascii;
        for (const char16_t u : text) {
            if (u >= 0x80)
                break;
            ascii += char(u);
        }
        if (ascii.size() >= 2)
            c.requiredTexts.push_back(ascii);
    }
    // A match starts with the pattern's leading units: worth looking for
    // when there are a few of them.
    std::string prefix;
    for (const char16_t u : t.prefixText(t.root)) {
        if (u >= 0x80)
            break;
        prefix += char(u);
    }
    if (prefix.size() >= 3)
        c.prefix = prefix;
    if (t.canBeEmpty(t.root))
        return;
    std::optional<PatternCharClass> required = t.required(t.root);
    PatternCharClass alphabet = t.alphabet();
    if (!required)
        return;
    if (!c.caseSensitive) {
        required = required->formsOnly();
        alphabet = alphabet.formsOnly();
    }
    if (!required->isSingle() || required->ranges()[0].lo >= 0x80 || alphabet.isEmpty() ||
        alphabet.ranges().back().hi >= 0x80)
        return;
    c.required = char(required->ranges()[0].lo);
    for (const PatternCharClass::Range& r : alphabet.ranges()) {
        for (int u = r.lo; u <= r.hi; ++u)
            c.alphabet.set(size_t(u));
    }
}

PatternEngine::Scan PatternEngine::scan(const Compiled& c, const QString& subject, bool wantGroups, Report report,
                                        const OnMatch& onMatch)
{
    if (!c.decidable || AnalysisDeadline::currentPassed())
        return Scan::Undecided;
    PatternSubject& s = subjectFor(subject, c.caseSensitive);
    if (c.simple.usable() && subject.size() <= kSimpleMaxLength) {
        using Which = PatternSimpleMatch::Which;
        const Which which = report == Report::Last    ? Which::Last
                            : report == Report::Every ? Which::Every
                                                      : Which::First;
        switch (c.simple.scan(s.units(), s.length(), which, onMatch)) {
        case PatternSimpleMatch::Found::None:
            return Scan::NoMatch;
        case PatternSimpleMatch::Found::Some:
            return Scan::Match;
        case PatternSimpleMatch::Found::Stopped:
            break;
        }
        return Scan::Stopped;
    }
    if (c.re2)
        return scanRe2(c, s, wantGroups && c.groups > 0, report, onMatch);
    return scanBacktracker(c, s, report, onMatch);
}

PatternEngine::Scan PatternEngine::scanBacktracker(const Compiled& c, PatternSubject& s, Report report,
                                                   const OnMatch& onMatch)
{
    const qsizetype length = s.length();
    m_backtracker.startScan(length);
    std::vector<qsizetype>& offsets = m_offsets;
    offsets.assign(size_t(2 * (c.groups + 1)), -1);
    std::vector<qsizetype> last;
    const char16_t* units = s.units();
    qsizetype pos = 0;
    int count = 0;
    while (pos <= length) {
        const auto r = m_backtracker.search(c.program, units, length, pos, offsets.data());
        if (r == PatternBacktracker::Result::Undecided)
            return Scan::Undecided;
        if (r == PatternBacktracker::Result::NoMatch)
            break;
        const qsizetype start = offsets[0];
        const qsizetype end = offsets[1];
        if (report == Report::Last) {
            last = offsets;
        } else {
            if (!onMatch(offsets.data()))
                return Scan::Stopped;
            if (report == Report::First || report == Report::Exists)
                return Scan::Match;
        }
        ++count;
        pos = end > start ? end : end + 1;
        if (count % kMatchesPerCheck == 0 && AnalysisDeadline::currentPassed())
            return Scan::Undecided;
    }
    if (count == 0)
        return Scan::NoMatch;
    if (report == Report::Last && !onMatch(last.data()))
        return Scan::Stopped;
    return Scan::Match;
}

const re2::RE2* PatternEngine::groupsRe2(const Compiled& c)
{
    if (!c.re2GroupsTried) {
        c.re2GroupsTried = true;
        const PatternTranslator::Result t = PatternTranslator::translate(c.tree, true);
        if (t.usable && t.groupsExact)
            c.re2Groups = makeRe2(t.text, c.groups);
    }
    return c.re2Groups.get();
}

PatternEngine::Scan PatternEngine::scanRe2(const Compiled& c, PatternSubject& s, bool wantGroups, Report report,
                                           const OnMatch& onMatch)
{
    const char* bytes = s.utf8();
    const size_t n = s.utf8Size();
    const re2::StringPiece text(bytes, n);
    for (const std::string& t : c.requiredTexts) {
        if (!PatternTextSearch::find(bytes, n, t))
            return Scan::NoMatch;
    }
    // Group 0 alone lets RE2 answer with its DFAs. The groups come from RE2
    // when its values are exact, else from the backtracking engine, which
    // is asked for the match that starts where RE2's does. Whether there is
    // a match at all needs not even group 0, and RE2 can stop at the first
    // sign of one; but '\B' might be seen inside a character.
    const re2::RE2* withGroups = wantGroups ? groupsRe2(c) : nullptr;
    if (wantGroups && !withGroups)
        m_backtracker.startScan(s.length());
    const re2::RE2& re = withGroups ? *withGroups : *c.re2;
    const bool bounds = report != Report::Exists || c.notWordBoundary;
    const int nsub = withGroups ? c.groups + 1 : bounds ? 1 : 0;
    // Kept from call to call: most calls are on short texts, where the
    // allocations would cost more than the search.
    std::vector<re2::StringPiece>& sub = m_pieces;
    sub.assign(static_cast<size_t>(std::max(nsub, 1)), re2::StringPiece());
    std::vector<qsizetype>& offsets = m_offsets;
    offsets.assign(size_t(2 * (c.groups + 1)), -1);

    const auto inAlphabet = [&](char byte) {
        const auto b = static_cast<unsigned char>(byte);
        return b < 0x80 && c.alphabet[b];
    };
    // The next match that starts at `from` or after. With a required unit,
    // RE2 searches only the runs of the alphabet around its occurrences (a
    // match never leaves such a run); with a literal prefix, from where the
    // prefix next occurs. Either way RE2 sees the text around what it
    // searches, for '\b' and the anchors.
    const bool byLines = c.line.usable() && !withGroups && !wantGroups;
    const auto find = [&](size_t from) {
        if (byLines) {
            size_t start = 0;
            size_t end = 0;
            if (!c.line.next(bytes, n, from, start, end))
                return false;
            sub[0] = re2::StringPiece(bytes + start, end - start);
            return true;
        }
        while (from <= n) {
            size_t searchFrom = from;
            size_t searchEnd = n;
            const RE2::Anchor anchor = RE2::UNANCHORED;
            if (c.required) {
                const void* hit = from < n ? std::memchr(bytes + from, c.required, n - from) : nullptr;
                if (!hit)
                    return false;
                const size_t at = size_t(static_cast<const char*>(hit) - bytes);
                searchFrom = at;
                while (searchFrom > from && inAlphabet(bytes[searchFrom - 1]))
                    --searchFrom;
                searchEnd = at + 1;
                while (searchEnd < n && inAlphabet(bytes[searchEnd]))
                    ++searchEnd;
            } else if (!c.prefix.empty()) {
                // The search begins at the prefix's next occurrence, and
                // goes on from there in one pass: a search from each
                // occurrence would read a long line once per occurrence.
                const char* hit = PatternTextSearch::find(bytes + from, n - from, c.prefix);
                if (!hit)
                    return false;
                searchFrom = size_t(hit - bytes);
            }
            if (re.Match(text, searchFrom, searchEnd, anchor, sub.data(), nsub))
                return true;
            if (searchEnd == n)
                return false;
            from = searchEnd;
        }
        return false;
    };

    size_t pos = 0;
    size_t lastStart = 0;
    size_t lastEnd = 0;
    int count = 0;
    while (pos <= n && find(pos)) {
        if (!bounds)
            return Scan::Match;
        const size_t start = size_t(sub[0].data() - text.data());
        const size_t end = start + sub[0].size();
        if (start < n && isContinuation(bytes[start])) {
            // '\B' holds between the bytes of one character, where no
            // match may start: the search goes on at the next character.
            pos = start + 1;
            while (pos < n && isContinuation(bytes[pos]))
                ++pos;
            continue;
        }
        ++count;
        if (report == Report::Last) {
            lastStart = start;
            lastEnd = end;
        } else {
            offsets[0] = s.unitAt(start);
            offsets[1] = s.unitAt(end);
            for (int g = 1; g < nsub; ++g) {
                const re2::StringPiece& piece = sub[size_t(g)];
                const size_t from = size_t(piece.data() - text.data());
                offsets[size_t(2 * g)] = piece.data() ? s.unitAt(from) : -1;
                offsets[size_t(2 * g + 1)] = piece.data() ? s.unitAt(from + piece.size()) : -1;
            }
            if (wantGroups && !withGroups) {
                const auto r = m_backtracker.matchAt(c.program, s.units(), s.length(), offsets[0], offsets.data());
                if (r != PatternBacktracker::Result::Match || offsets[1] != s.unitAt(end))
                    return Scan::Undecided;
            }
            if (!onMatch(offsets.data()))
                return Scan::Stopped;
            if (report != Report::Every)
                return Scan::Match;
        }
        if (end > start)
            pos = end;
        else if (end < n)
            pos = end + characterBytes(bytes[end]);
        else
            break;
        if (count % kMatchesPerCheck == 0 && AnalysisDeadline::currentPassed())
            return Scan::Undecided;
    }
    if (count == 0)
        return Scan::NoMatch;
    if (report == Report::Last) {
        offsets[0] = s.unitAt(lastStart);
        offsets[1] = s.unitAt(lastEnd);
        if (!onMatch(offsets.data()))
            return Scan::Stopped;
    }
    return Scan::Match;
}
