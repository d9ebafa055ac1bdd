#include "pattern/PatternTree.h"

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

PatternCharClass PatternTree::alphabet() const
{
    PatternCharClass all;
    for (const PatternCharClass& set : sets)
        all.add(set);
    return all;
}

std::optional<PatternCharClass> PatternTree::required(int i) const
{
    const PatternNode& n = node(i);
    switch (n.kind) {
    case Kind::Set:
        return sets[size_t(n.set)];
    case Kind::Group:
        return required(n.children[0]);
    case Kind::Repeat:
        if (n.min == 0)
            return std::nullopt;
        return required(n.children[0]);
    case Kind::Alternation: {
        PatternCharClass any;
        for (int c : n.children) {
            const std::optional<PatternCharClass> r = required(c);
            if (!r)
                return std::nullopt;
            any.add(*r);
        }
        return any;
    }
    case Kind::Sequence: {
        // The part that needs the fewest units is the best to look for.
        std::optional<PatternCharClass> best;
        const auto size = [](const PatternCharClass& c) {
            int units = 0;
            for (const PatternCharClass::Range& r : c.ranges())
                units += r.hi - r.lo + 1;
            return units;
        };
        for (int c : n.children) {
            std::optional<PatternCharClass> r = required(c);
            if (r && (!best || size(*r) < size(*best)))
                best = std::move(r);
        }
        return best;
    }
    default:
        return std::nullopt;
    }
}

std::vector<std::u16string> PatternTree::requiredTexts(int i) const
{
    const PatternNode& n = node(i);
    const auto single = [&](const PatternNode& m) { return m.kind == Kind::Set && sets[size_t(m.set)].isSingle(); };
    switch (n.kind) {
    case Kind::Set:
        if (single(n))
            return {std::u16string(1, sets[size_t(n.set)].ranges()[0].lo)};
        return {};
    case Kind::Group:
        return requiredTexts(n.children[0]);
    case Kind::Repeat:
        return n.min == 0 ? std::vector<std::u16string>() : requiredTexts(n.children[0]);
    case Kind::Sequence: {
        // Single units in a row make one text; each part's own texts too.
        std::vector<std::u16string> texts;
        std::u16string run;
        const auto endRun = [&] {
            if (!run.empty())
                texts.push_back(run);
            run.clear();
        };
        for (int c : n.children) {
            const PatternNode& child = node(c);
            if (single(child)) {
                run += sets[size_t(child.set)].ranges()[0].lo;
                continue;
            }
            endRun();
            for (std::u16string& t : requiredTexts(c))
                texts.push_back(std::move(t));
        }
        endRun();
        return texts;
    }
    default:
        return {};
    }
}

std::u16string PatternTree::prefixText(int i) const
{
    const PatternNode& n = node(i);
    switch (n.kind) {
    case Kind::Set:
        return sets[size_t(n.set)].isSingle() ? std::u16string(1, sets[size_t(n.set)].ranges()[0].lo)
                                              : std::u16string();
    case Kind::Group:
        return prefixText(n.children[0]);
    case Kind::Sequence: {
        std::u16string text;
        for (int c : n.children) {
            const PatternNode& child = node(c);
            if (child.kind != Kind::Set || !sets[size_t(child.set)].isSingle())
                return text + prefixText(c);
            text += sets[size_t(child.set)].ranges()[0].lo;
        }
        return text;
    }
    default:
        return {};
    }
}
