#include "analysis/PatternEngine.h"

#include "analysis/AnalysisDeadline.h"
#include "analysis/PatternParser.h"
#include "analysis/PatternSubject.h"
#include "analysis/PatternTranslator.h"

#include <algorithm>
#include <re2/re2.h>

namespace {

// With a deadline installed, the loops look at it after this many matches.
constexpr int kMatchesPerCheck = 64;
// Room for RE2's compiled program and its DFA caches, per pattern.
constexpr int64_t kRe2MaxMem = 16 << 20;
constexpr size_t kSubjectSlots = 4;

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
    for (const auto& s : m_subjects) {
        if (s->isFor(subject, caseSensitive))
            return *s;
    }
    auto made = std::make_unique<PatternSubject>(subject, caseSensitive);
    if (m_subjects.size() < kSubjectSlots) {
        m_subjects.push_back(std::move(made));
        return *m_subjects.back();
    }
    m_subjects[m_nextSubject] = std::move(made);
    PatternSubject& s = *m_subjects[m_nextSubject];
    m_nextSubject = (m_nextSubject + 1) % kSubjectSlots;
    return s;
}

PatternEngine::Scan PatternEngine::scan(const Compiled& c, const QString& subject, bool wantGroups, Report report,
                                        const OnMatch& onMatch)
{
    if (!c.decidable || AnalysisDeadline::currentPassed())
        return Scan::Undecided;
    PatternSubject& s = subjectFor(subject, c.caseSensitive);
    if (c.re2)
        return scanRe2(c, s, wantGroups && c.groups > 0, report, onMatch);
    return scanBacktracker(c, s, report, onMatch);
}

PatternEngine::Scan PatternEngine::scanBacktracker(const Compiled& c, PatternSubject& s, Report report,
                                                   const OnMatch& onMatch)
{
    const qsizetype length = s.length();
    m_backtracker.startScan(length);
    std::vector<qsizetype> offsets(size_t(2 * (c.groups + 1)), -1);
    std::vector<qsizetype> last;
    qsizetype pos = 0;
    int count = 0;
    while (pos <= length) {
        const auto r = m_backtracker.search(c.program, s.units(), length, pos, offsets.data());
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
            if (report == Report::First)
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
    const std::string& bytes = s.utf8();
    const re2::StringPiece text(bytes.data(), bytes.size());
    const size_t n = bytes.size();
    // Group 0 alone lets RE2 answer with its DFAs. The groups come from RE2
    // when its values are exact, else from the backtracking engine, which
    // is asked for the match that starts where RE2's does.
    const re2::RE2* withGroups = wantGroups ? groupsRe2(c) : nullptr;
    if (wantGroups && !withGroups)
        m_backtracker.startScan(s.length());
    const re2::RE2& re = withGroups ? *withGroups : *c.re2;
    const int nsub = withGroups ? c.groups + 1 : 1;
    std::vector<re2::StringPiece> sub(static_cast<size_t>(nsub));
    std::vector<qsizetype> offsets(size_t(2 * (c.groups + 1)), -1);
    size_t pos = 0;
    size_t lastStart = 0;
    size_t lastEnd = 0;
    int count = 0;
    while (pos <= n) {
        if (!re.Match(text, pos, n, RE2::UNANCHORED, sub.data(), nsub))
            break;
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
            if (report == Report::First)
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
