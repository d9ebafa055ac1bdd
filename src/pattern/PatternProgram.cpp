#include "pattern/PatternProgram.h"

using Kind = PatternNode::Kind;
using Op = PatternProgram::Op;

namespace {

class Compiler
{
public:
    Compiler(const PatternTree& tree, PatternProgram& program) : m_tree(tree), m_p(program) {}

    void node(int i, bool backward);

private:
    int put(Op op, int a = 0, int b = 0)
    {
        PatternProgram::Instruction in{op};
        in.a = a;
        in.b = b;
        m_p.code.push_back(in);
        return int(m_p.code.size()) - 1;
    }
    int here() const { return int(m_p.code.size()); }
    int setIndex(int treeSet);
    void repeat(const PatternNode& n, bool backward);

    const PatternTree& m_tree;
    PatternProgram& m_p;
    std::vector<int> m_setIndex; // tree set -> program set
};

int Compiler::setIndex(int treeSet)
{
    if (m_setIndex.empty())
        m_setIndex.assign(m_tree.sets.size(), -1);
    int& index = m_setIndex[size_t(treeSet)];
    if (index < 0) {
        m_p.sets.emplace_back(m_tree.sets[size_t(treeSet)]);
        index = int(m_p.sets.size()) - 1;
    }
    return index;
}

void Compiler::node(int i, bool backward)
{
    const PatternNode& n = m_tree.node(i);
    switch (n.kind) {
    case Kind::Empty:
        return;
    case Kind::Set:
        m_p.code[size_t(put(Op::Set, setIndex(n.set)))].backward = backward;
        return;
    case Kind::InputStart:
        put(Op::InputStart);
        return;
    case Kind::InputEnd:
        put(Op::InputEnd);
        return;
    case Kind::WordBoundary:
        put(Op::WordBoundary);
        return;
    case Kind::NotWordBoundary:
        put(Op::NotWordBoundary);
        return;
    case Kind::BackReference:
        put(Op::BackReference, n.capture, backward ? 1 : 0);
        return;
    case Kind::Group:
        if (n.capture == 0) {
            node(n.children[0], backward);
            return;
        }
        // Matched backwards, a group meets its end first.
        put(Op::Save, 2 * n.capture + (backward ? 1 : 0));
        node(n.children[0], backward);
        put(Op::Save, 2 * n.capture + (backward ? 0 : 1));
        return;
    case Kind::Look: {
        const int start = put(Op::LookStart, 0, (n.behind ? PatternProgram::kBehind : 0) |
                                                     (n.negative ? PatternProgram::kNegative : 0));
        node(n.children[0], n.behind);
        put(Op::LookEnd);
        m_p.code[size_t(start)].a = here();
        return;
    }
    case Kind::Sequence:
        if (backward) {
            for (auto it = n.children.rbegin(); it != n.children.rend(); ++it)
                node(*it, backward);
        } else {
            for (int c : n.children)
                node(c, backward);
        }
        return;
    case Kind::Alternation: {
        std::vector<int> jumps;
        for (size_t k = 0; k < n.children.size(); ++k) {
            const bool last = k + 1 == n.children.size();
            const int split = last ? -1 : put(Op::Split);
            if (!last)
                m_p.code[size_t(split)].a = here();
            node(n.children[k], backward);
            if (!last) {
                jumps.push_back(put(Op::Jump));
                m_p.code[size_t(split)].b = here();
            }
        }
        for (int j : jumps)
            m_p.code[size_t(j)].a = here();
        return;
    }
    case Kind::Repeat:
        repeat(n, backward);
        return;
    }
}

void Compiler::repeat(const PatternNode& n, bool backward)
{
    // A single character, bare or in a group that captures nothing: no
    // iteration can be empty and none has captures to clear, so the loop
    // keeps one position instead of one choice per iteration.
    int atom = n.children[0];
    while (m_tree.node(atom).kind == Kind::Group && m_tree.node(atom).capture == 0)
        atom = m_tree.node(atom).children[0];
    if (m_tree.node(atom).kind == Kind::Set) {
        const int at = put(Op::Star, setIndex(m_tree.node(atom).set), backward ? 1 : 0);
        PatternProgram::Instruction& in = m_p.code[size_t(at)];
        in.min = n.min;
        in.max = n.max;
        in.greedy = n.greedy;
        return;
    }
    int firstCapture = 0, endCapture = 0;
    m_tree.capturesWithin(n.children[0], firstCapture, endCapture);
    const int counter = m_p.registers++;
    const int startReg = m_p.registers++;
    put(Op::LoopInit, counter);
    const int head = put(Op::LoopHead, counter);
    m_p.code[size_t(head)].min = n.min;
    m_p.code[size_t(head)].max = n.max;
    m_p.code[size_t(head)].greedy = n.greedy;
    m_p.code[size_t(head)].b = here();
    if (endCapture > firstCapture)
        put(Op::Clear, 2 * firstCapture, 2 * endCapture);
    put(Op::Save, startReg);
    node(n.children[0], backward);
    const int tail = put(Op::LoopTail, counter, startReg);
    m_p.code[size_t(tail)].c = head;
    m_p.code[size_t(tail)].min = n.min;
    m_p.code[size_t(head)].c = here();
}

// The units the first unit of a match can be, and whether a match can be
// empty (then any unit may follow the start).
void collectFirstUnits(const PatternTree& t, int i, PatternCharClass& units, bool& canBeEmpty)
{
    const PatternNode& n = t.node(i);
    switch (n.kind) {
    case Kind::Set:
        units.add(t.sets[size_t(n.set)]);
        canBeEmpty = false;
        return;
    case Kind::BackReference:
        units.add(0, 0xFFFF);
        canBeEmpty = true;
        return;
    case Kind::Group:
        collectFirstUnits(t, n.children[0], units, canBeEmpty);
        return;
    case Kind::Alternation: {
        bool any = false;
        for (int c : n.children) {
            bool e = false;
            collectFirstUnits(t, c, units, e);
            any = any || e;
        }
        canBeEmpty = any;
        return;
    }
    case Kind::Sequence:
        for (int c : n.children) {
            bool e = false;
            collectFirstUnits(t, c, units, e);
            if (!e) {
                canBeEmpty = false;
                return;
            }
        }
        canBeEmpty = true;
        return;
    case Kind::Repeat:
        collectFirstUnits(t, n.children[0], units, canBeEmpty);
        canBeEmpty = canBeEmpty || n.min == 0;
        return;
    default:
        // Assertions and look-arounds consume nothing.
        canBeEmpty = true;
        return;
    }
}

bool anchoredAtStart(const PatternTree& t, int i)
{
    const PatternNode& n = t.node(i);
    switch (n.kind) {
    case Kind::InputStart:
        return true;
    case Kind::Group:
        return anchoredAtStart(t, n.children[0]);
    case Kind::Sequence:
        return !n.children.empty() && anchoredAtStart(t, n.children[0]);
    case Kind::Alternation:
        for (int c : n.children) {
            if (!anchoredAtStart(t, c))
                return false;
        }
        return true;
    default:
        return false;
    }
}

} // namespace

PatternUnitSet::PatternUnitSet(const PatternCharClass& members)
{
    for (const PatternCharClass::Range& r : members.ranges()) {
        for (int u = r.lo; u <= std::min<int>(r.hi, 255); ++u)
            m_low.set(size_t(u));
        if (r.hi >= 256)
            m_high.push_back({std::max<char16_t>(r.lo, 256), r.hi});
    }
}

PatternProgram PatternProgram::compile(const PatternTree& tree)
{
    PatternProgram p;
    p.captures = tree.captures;
    p.registers = 2 * (tree.captures + 1);
    Compiler compiler(tree, p);
    compiler.node(tree.root, false);
    p.code.push_back(Instruction{Op::Match});
    PatternCharClass units;
    bool canBeEmpty = false;
    collectFirstUnits(tree, tree.root, units, canBeEmpty);
    if (!canBeEmpty) {
        p.firstUnits = PatternUnitSet(units);
        p.hasFirstUnits = true;
    }
    p.anchored = anchoredAtStart(tree, tree.root);
    return p;
}
