#include "analysis/PatternTree.h"

#include <algorithm>

using Kind = PatternNode::Kind;

bool PatternTree::canBeEmpty(int i) const
{
    const PatternNode& n = node(i);
    switch (n.kind) {
    case Kind::Set:
        return false;
    case Kind::Group:
        return canBeEmpty(n.children[0]);
    case Kind::Alternation:
        return std::any_of(n.children.begin(), n.children.end(), [&](int c) { return canBeEmpty(c); });
    case Kind::Sequence:
        return std::all_of(n.children.begin(), n.children.end(), [&](int c) { return canBeEmpty(c); });
    case Kind::Repeat:
        return n.min == 0 || canBeEmpty(n.children[0]);
    default:
        return true; // assertions, look-arounds, the empty text, back references
    }
}

bool PatternTree::alwaysEmpty(int i) const
{
    const PatternNode& n = node(i);
    switch (n.kind) {
    case Kind::Set:
    case Kind::BackReference:
        return false;
    case Kind::Group:
        return alwaysEmpty(n.children[0]);
    case Kind::Alternation:
    case Kind::Sequence:
        return std::all_of(n.children.begin(), n.children.end(), [&](int c) { return alwaysEmpty(c); });
    case Kind::Repeat:
        return n.max == 0 || alwaysEmpty(n.children[0]);
    default:
        return true;
    }
}

void PatternTree::capturesWithin(int i, int& first, int& end) const
{
    first = end = 0;
    const auto visit = [&](auto&& self, int at) -> void {
        const PatternNode& n = node(at);
        if (n.kind == Kind::Group && n.capture > 0) {
            if (first == 0 || n.capture < first)
                first = n.capture;
            end = std::max(end, n.capture + 1);
        }
        for (int c : n.children)
            self(self, c);
    };
    visit(visit, i);
}
