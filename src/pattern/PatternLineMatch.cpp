#include "pattern/PatternLineMatch.h"

#include "pattern/PatternTextSearch.h"
#include "pattern/PatternTree.h"

namespace {

using Kind = PatternNode::Kind;

bool sameRanges(const PatternCharClass& a, const PatternCharClass& b)
{
    if (a.ranges().size() != b.ranges().size())
        return false;
    for (size_t k = 0; k < a.ranges().size(); ++k) {
        if (a.ranges()[k].lo != b.ranges()[k].lo || a.ranges()[k].hi != b.ranges()[k].hi)
            return false;
    }
    return true;
}

// The node's unit when it is one ASCII unit other than a line end, else 0.
char asciiUnit(const PatternTree& tree, const PatternNode& n)
{
    if (n.kind != Kind::Set || !tree.sets[size_t(n.set)].isSingle())
        return 0;
    const char16_t u = tree.sets[size_t(n.set)].ranges()[0].lo;
    return u > 0 && u < 0x80 && u != u'\n' && u != u'\r' ? char(u) : 0;
}

// Whether the node is '.' greedily repeated any number of times: on the
// units a subject's forms can hold, its class has every unit but the line
// ends.
bool isDotStar(const PatternTree& tree, const PatternNode& n, bool caseSensitive)
{
    if (n.kind != Kind::Repeat || !n.greedy || n.min != 0 || n.max != PatternNode::kUnbounded)
        return false;
    const PatternNode& atom = tree.node(n.children[0]);
    if (atom.kind != Kind::Set)
        return false;
    const PatternCharClass& set = tree.sets[size_t(atom.set)];
    if (caseSensitive)
        return sameRanges(set, PatternCharClass::dot());
    return sameRanges(set.formsOnly(), PatternCharClass::dot().formsOnly());
}

// The first line end (LF, CR, U+2028, U+2029) in [from, from + n), or
// from + n.
const char* lineEnd(const char* from, size_t n)
{
    const char* p = from;
    const char* const end = from + n;
    for (;;) {
        p = PatternTextSearch::findAnyOf3(p, size_t(end - p), '\n', '\r', '\xE2');
        if (!p || *p != '\xE2')
            return p ? p : end;
        // U+2028 and U+2029 are E2 80 A8 and E2 80 A9.
        if (end - p >= 3 && p[1] == '\x80' && (p[2] == '\xA8' || p[2] == '\xA9'))
            return p;
        ++p;
    }
}

} // namespace

PatternLineMatch PatternLineMatch::analyse(const PatternTree& tree, bool caseSensitive)
{
    PatternLineMatch m;
    if (tree.root < 0 || tree.captures > 1 || tree.node(tree.root).kind != Kind::Sequence)
        return m;
    std::string before;
    std::string after;
    bool dotSeen = false;
    for (const int c : tree.node(tree.root).children) {
        const PatternNode& child = tree.node(c);
        // The '.*' may be the pattern's one group, as the field's text.
        const bool group = child.kind == Kind::Group && child.children.size() == 1;
        const PatternNode& inner = group ? tree.node(child.children[0]) : child;
        if (!dotSeen && isDotStar(tree, inner, caseSensitive)) {
            dotSeen = true;
            continue;
        }
        const char unit = asciiUnit(tree, child);
        if (!unit)
            return m;
        (dotSeen ? after : before) += unit;
    }
    if (!dotSeen || before.empty() || after.empty())
        return m;
    m.m_start = std::move(before);
    m.m_end = std::move(after);
    return m;
}

bool PatternLineMatch::next(const char* bytes, size_t n, size_t from, size_t& start, size_t& end) const
{
    while (from < n) {
        const char* hit = PatternTextSearch::find(bytes + from, n - from, m_start);
        if (!hit)
            return false;
        const size_t s = size_t(hit - bytes);
        const size_t body = s + m_start.size();
        const size_t line = size_t(lineEnd(bytes + body, n - body) - bytes);
        // The last occurrence of the end text that ends by the line's end.
        const char* last = nullptr;
        for (const char* p = bytes + body;;) {
            const char* e = PatternTextSearch::find(p, size_t(bytes + line - p), m_end);
            if (!e)
                break;
            last = e;
            p = e + 1;
        }
        if (last) {
            start = s;
            end = size_t(last - bytes) + m_end.size();
            return true;
        }
        // Every later start on this line sees less of the same line.
        from = line;
    }
    return false;
}
