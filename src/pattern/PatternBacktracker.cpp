#include "pattern/PatternBacktracker.h"

#include "pattern/AnalysisDeadline.h"

#include <algorithm>

using Op = PatternProgram::Op;

namespace {

// The budget: steps at one start position, steps in one global loop over a
// subject, and the choices and undo records kept at once (about 64 MB). Like
// the count limits of other engines they fix the outcome whatever the
// machine; no pattern a person writes comes near them on a page, only
// patterns that try exponentially many ways.
// The fuzzers, whose instrumented code runs many times slower, build with a
// smaller budget so that one input never takes seconds.
#ifndef QM_PATTERN_STEPS_PER_START
#define QM_PATTERN_STEPS_PER_START 5'000'000
#endif
#ifndef QM_PATTERN_STEPS_PER_SCAN
#define QM_PATTERN_STEPS_PER_SCAN 20'000'000
#endif
constexpr uint64_t kStepsPerStart = QM_PATTERN_STEPS_PER_START;
constexpr uint64_t kStepsPerScan = QM_PATTERN_STEPS_PER_SCAN;
constexpr uint64_t kStepsPerScanUnit = 50;
constexpr size_t kMaxChoices = 1'000'000;
constexpr size_t kMaxTrail = 2'000'000;
// Steps are counted in chunks; the installed deadline is looked at after
// each. A budget may be overrun by less than a chunk, always alike.
constexpr int kChunk = 4096;

bool isWordUnit(char16_t u)
{
    return (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9') || u == u'_';
}

} // namespace

void PatternBacktracker::startScan(qsizetype length)
{
    m_scanBudget = kStepsPerScan + kStepsPerScanUnit * uint64_t(length);
    m_scanSteps = 0;
    m_chunk = kChunk;
}

bool PatternBacktracker::account()
{
    m_chunk = kChunk;
    m_steps += kChunk;
    m_scanSteps += kChunk;
    if (m_steps > kStepsPerStart || m_scanSteps > m_scanBudget || AnalysisDeadline::currentPassed())
        m_undecided = true;
    return m_undecided;
}

bool PatternBacktracker::push(Choice c)
{
    if (m_choices.size() >= kMaxChoices || m_trail.size() >= kMaxTrail) {
        m_undecided = true;
        return false;
    }
    m_choices.push_back(c);
    return true;
}

PatternBacktracker::Result PatternBacktracker::search(const PatternProgram& p, const char16_t* subject,
                                                      qsizetype length, qsizetype from, qsizetype* captures)
{
    m_s = subject;
    m_n = length;
    for (qsizetype start = from; start <= length; ++start) {
        if (p.anchored && start > 0)
            break;
        if (p.hasFirstUnits) {
            while (start < length && !p.firstUnits.contains(subject[start]))
                ++start;
            if (start >= length)
                break;
        }
        const Result r = run(p, start);
        if (r == Result::NoMatch)
            continue;
        if (r == Result::Match)
            std::copy_n(m_regs.begin(), 2 * (p.captures + 1), captures);
        return r;
    }
    return Result::NoMatch;
}

PatternBacktracker::Result PatternBacktracker::matchAt(const PatternProgram& p, const char16_t* subject,
                                                       qsizetype length, qsizetype at, qsizetype* captures)
{
    m_s = subject;
    m_n = length;
    const Result r = run(p, at);
    if (r == Result::Match)
        std::copy_n(m_regs.begin(), 2 * (p.captures + 1), captures);
    return r;
}

bool PatternBacktracker::backReference(int group, bool backward, qsizetype& pos) const
{
    const qsizetype from = m_regs[size_t(2 * group)];
    const qsizetype to = m_regs[size_t(2 * group + 1)];
    // A group that took no part matches the empty text.
    if (from < 0 || to < 0)
        return true;
    const qsizetype length = to - from;
    if (backward) {
        if (pos < length || !std::equal(m_s + from, m_s + to, m_s + pos - length))
            return false;
        pos -= length;
        return true;
    }
    if (m_n - pos < length || !std::equal(m_s + from, m_s + to, m_s + pos))
        return false;
    pos += length;
    return true;
}

// A Star's first try: as many units as it may take when greedy, as few when
// lazy, with a choice to give one back or take one more.
bool PatternBacktracker::star(const PatternProgram::Instruction& in, const PatternUnitSet& set, int pc,
                              qsizetype& pos)
{
    const bool back = in.b != 0;
    const qsizetype room = back ? pos : m_n - pos;
    const qsizetype most = in.max == PatternNode::kUnbounded ? room : std::min<qsizetype>(room, in.max);
    if (qsizetype(in.min) > most)
        return false;
    const auto unitAt = [&](qsizetype k) { return back ? m_s[pos - 1 - k] : m_s[pos + k]; };
    const qsizetype want = in.greedy ? most : qsizetype(in.min);
    qsizetype taken = 0;
    while (taken < want && set.contains(unitAt(taken)))
        ++taken;
    if (taken < qsizetype(in.min))
        return false;
    const qsizetype start = pos;
    pos = back ? pos - taken : pos + taken;
    if (in.greedy) {
        if (taken > qsizetype(in.min))
            return push({pc, ChoiceKind::GreedyStar, pos, back ? start - qsizetype(in.min) : start + qsizetype(in.min),
                         m_trail.size()});
        return true;
    }
    const qsizetype more = in.max == PatternNode::kUnbounded ? room - taken : qsizetype(in.max) - taken;
    if (more > 0)
        return push({pc, ChoiceKind::LazyStar, pos, more, m_trail.size()});
    return true;
}

// Takes the most recent choice. False when none is left.
bool PatternBacktracker::backtrack(const PatternProgram& p, int& pc, qsizetype& pos)
{
    while (!m_choices.empty()) {
        if (step())
            return false;
        const Choice c = m_choices.back();
        m_choices.pop_back();
        undo(c.trail);
        switch (c.kind) {
        case ChoiceKind::Alternative:
            pc = c.pc;
            pos = c.pos;
            return true;
        case ChoiceKind::LookAround:
            // The body found no match: a negative look-around holds.
            if (p.code[size_t(c.aux)].b & PatternProgram::kNegative) {
                pc = c.pc;
                pos = c.pos;
                return true;
            }
            continue;
        case ChoiceKind::GreedyStar: {
            const bool back = p.code[size_t(c.pc)].b != 0;
            pos = back ? c.pos + 1 : c.pos - 1;
            if (pos != c.aux)
                m_choices.push_back({c.pc, c.kind, pos, c.aux, m_trail.size()});
            pc = c.pc + 1;
            return true;
        }
        case ChoiceKind::LazyStar: {
            const PatternProgram::Instruction& in = p.code[size_t(c.pc)];
            const bool back = in.b != 0;
            if (back ? c.pos == 0 : c.pos >= m_n)
                continue;
            if (!p.sets[size_t(in.a)].contains(back ? m_s[c.pos - 1] : m_s[c.pos]))
                continue;
            pos = back ? c.pos - 1 : c.pos + 1;
            if (c.aux > 1)
                m_choices.push_back({c.pc, c.kind, pos, c.aux - 1, m_trail.size()});
            pc = c.pc + 1;
            return true;
        }
        }
    }
    return false;
}

PatternBacktracker::Result PatternBacktracker::run(const PatternProgram& p, qsizetype start)
{
    m_regs.assign(size_t(p.registers), -1);
    m_choices.clear();
    m_trail.clear();
    m_steps = 0;
    m_undecided = false;
    int pc = 0;
    qsizetype pos = start;
    for (;;) {
        if (step())
            return Result::Undecided;
        const PatternProgram::Instruction& in = p.code[size_t(pc)];
        bool ok = true;
        switch (in.op) {
        case Op::Set:
            if (in.backward) {
                ok = pos > 0 && p.sets[size_t(in.a)].contains(m_s[pos - 1]);
                pos -= ok ? 1 : 0;
            } else {
                ok = pos < m_n && p.sets[size_t(in.a)].contains(m_s[pos]);
                pos += ok ? 1 : 0;
            }
            ++pc;
            break;
        case Op::InputStart:
            ok = pos == 0;
            ++pc;
            break;
        case Op::InputEnd:
            ok = pos == m_n;
            ++pc;
            break;
        case Op::WordBoundary:
        case Op::NotWordBoundary: {
            const bool before = pos > 0 && isWordUnit(m_s[pos - 1]);
            const bool after = pos < m_n && isWordUnit(m_s[pos]);
            ok = (before != after) == (in.op == Op::WordBoundary);
            ++pc;
            break;
        }
        case Op::Save:
            set(in.a, pos);
            ++pc;
            break;
        case Op::Clear:
            for (int r = in.a; r < in.b; ++r) {
                if (m_regs[size_t(r)] != -1)
                    set(r, -1);
            }
            ++pc;
            break;
        case Op::Split:
            ok = push({in.b, ChoiceKind::Alternative, pos, 0, m_trail.size()});
            pc = in.a;
            break;
        case Op::Jump:
            pc = in.a;
            break;
        case Op::BackReference:
            ok = backReference(in.a, in.b != 0, pos);
            ++pc;
            break;
        case Op::LookStart:
            // aux keeps where the look-around starts, for its flags.
            ok = push({in.a, ChoiceKind::LookAround, pos, pc, m_trail.size()});
            ++pc;
            break;
        case Op::LookEnd: {
            // The innermost open look-around is this one: the ones inside
            // it have ended and taken their choices with them.
            size_t k = m_choices.size();
            while (m_choices[k - 1].kind != ChoiceKind::LookAround)
                --k;
            const Choice c = m_choices[k - 1];
            m_choices.resize(k - 1);
            if (p.code[size_t(c.aux)].b & PatternProgram::kNegative) {
                undo(c.trail);
                ok = false;
            } else {
                pos = c.pos;
                pc = c.pc;
            }
            break;
        }
        case Op::LoopInit:
            set(in.a, 0);
            ++pc;
            break;
        case Op::LoopHead: {
            const qsizetype count = m_regs[size_t(in.a)];
            if (in.max != PatternNode::kUnbounded && count >= qsizetype(in.max)) {
                pc = in.c;
            } else if (count < qsizetype(in.min)) {
                pc = in.b;
            } else if (in.greedy) {
                ok = push({in.c, ChoiceKind::Alternative, pos, 0, m_trail.size()});
                pc = in.b;
            } else {
                ok = push({in.b, ChoiceKind::Alternative, pos, 0, m_trail.size()});
                pc = in.c;
            }
            break;
        }
        case Op::LoopTail: {
            const qsizetype count = m_regs[size_t(in.a)];
            // Past the minimum an iteration must not match the empty text.
            if (count >= qsizetype(in.min) && pos == m_regs[size_t(in.b)]) {
                ok = false;
                break;
            }
            set(in.a, count + 1);
            pc = in.c;
            break;
        }
        case Op::Star:
            ok = star(in, p.sets[size_t(in.a)], pc, pos);
            ++pc;
            break;
        case Op::Match:
            m_regs[0] = start;
            m_regs[1] = pos;
            return Result::Match;
        }
        if (m_undecided)
            return Result::Undecided;
        if (!ok && !backtrack(p, pc, pos))
            return m_undecided ? Result::Undecided : Result::NoMatch;
    }
}
