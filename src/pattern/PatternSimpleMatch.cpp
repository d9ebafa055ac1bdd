#include "pattern/PatternSimpleMatch.h"

#include "pattern/PatternTree.h"

#include <limits>
#include <string_view>

namespace {

using Kind = PatternNode::Kind;

// A group that captures nothing changes nothing about what it holds.
int unwrapped(const PatternTree& tree, int i)
{
    while (tree.node(i).kind == Kind::Group && tree.node(i).capture == 0 && tree.node(i).children.size() == 1)
        i = tree.node(i).children[0];
    return i;
}

} // namespace

PatternSimpleMatch PatternSimpleMatch::analyse(const PatternTree& tree)
{
    PatternSimpleMatch m;
    if (tree.root < 0 || tree.captures > 0)
        return m;
    const int root = unwrapped(tree, tree.root);
    const PatternNode& n = tree.node(root);
    if (n.kind == Kind::Set || n.kind == Kind::Repeat) {
        const bool repeat = n.kind == Kind::Repeat;
        const PatternNode& atom = repeat ? tree.node(unwrapped(tree, n.children[0])) : n;
        if (atom.kind != Kind::Set)
            return m;
        m.m_shape = Shape::Repeat;
        m.m_set = tree.sets[size_t(atom.set)];
        m.m_min = repeat ? qsizetype(n.min) : 1;
        m.m_max = !repeat                            ? 1
                  : n.max == PatternNode::kUnbounded ? std::numeric_limits<qsizetype>::max()
                                                     : qsizetype(n.max);
        m.m_greedy = !repeat || n.greedy;
        return m;
    }
    if (n.kind != Kind::Sequence)
        return m;
    std::u16string literal;
    for (const int c : n.children) {
        const PatternNode& child = tree.node(unwrapped(tree, c));
        if (child.kind != Kind::Set || !tree.sets[size_t(child.set)].isSingle())
            return m;
        literal += tree.sets[size_t(child.set)].ranges()[0].lo;
    }
    if (literal.empty())
        return m;
    m.m_shape = Shape::Literal;
    m.m_literal = std::move(literal);
    return m;
}

bool PatternSimpleMatch::next(const char16_t* units, qsizetype length, qsizetype from, qsizetype& start,
                              qsizetype& end) const
{
    if (m_shape == Shape::Literal) {
        const std::u16string_view text(units, size_t(length));
        const size_t at = text.find(m_literal, size_t(from));
        if (at == std::u16string_view::npos)
            return false;
        start = qsizetype(at);
        end = start + qsizetype(m_literal.size());
        return true;
    }
    // A greedy quantifier takes the whole run of members up to its maximum,
    // a lazy one its minimum. A run too short to match makes every place
    // inside it too short as well: the search goes on after the run.
    const qsizetype limit = m_greedy ? m_max : m_min;
    qsizetype p = from;
    while (p <= length) {
        qsizetype run = 0;
        while (run < limit && p + run < length && m_set.contains(units[p + run]))
            ++run;
        if (run >= m_min) {
            start = p;
            end = p + run;
            return true;
        }
        p += run + 1;
    }
    return false;
}

PatternSimpleMatch::Found PatternSimpleMatch::scan(const char16_t* units, qsizetype length, Which which,
                                                   const OnMatch& onMatch) const
{
    qsizetype offsets[2] = {-1, -1};
    qsizetype pos = 0;
    bool found = false;
    qsizetype start = 0;
    qsizetype end = 0;
    while (pos <= length && next(units, length, pos, start, end)) {
        found = true;
        offsets[0] = start;
        offsets[1] = end;
        if (which != Which::Last) {
            if (!onMatch(offsets))
                return Found::Stopped;
            if (which == Which::First)
                return Found::Some;
        }
        pos = end > start ? end : end + 1;
    }
    if (!found)
        return Found::None;
    if (which == Which::Last && !onMatch(offsets))
        return Found::Stopped;
    return Found::Some;
}
