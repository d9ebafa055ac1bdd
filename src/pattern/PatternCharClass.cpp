#include "pattern/PatternCharClass.h"

#include "pattern/PatternCaseFolding.h"

#include <algorithm>

namespace {

// JavaScript's white space and line terminators, as ranges; '\S' is the rest.
constexpr char16_t kSpaceRanges[][2] = {
    {0x09, 0x0D},     {0x20, 0x20},     {0xA0, 0xA0},     {0x1680, 0x1680}, {0x2000, 0x200A},
    {0x2028, 0x2029}, {0x202F, 0x202F}, {0x205F, 0x205F}, {0x3000, 0x3000}, {0xFEFF, 0xFEFF}};

QString codePointText(char32_t cp)
{
    if ((cp >= u'0' && cp <= u'9') || (cp >= u'a' && cp <= u'z') || (cp >= u'A' && cp <= u'Z'))
        return QString(QChar(char16_t(cp)));
    return QStringLiteral("\\x{%1}").arg(uint(cp), 0, 16);
}

} // namespace

PatternCharClass PatternCharClass::unit(char16_t u)
{
    PatternCharClass c;
    c.m_ranges.push_back({u, u});
    return c;
}

PatternCharClass PatternCharClass::escape(char letter)
{
    PatternCharClass c;
    switch (letter) {
    case 'd':
    case 'D':
        c.add(u'0', u'9');
        break;
    case 'w':
    case 'W':
        c.add(u'0', u'9');
        c.add(u'A', u'Z');
        c.add(u'_', u'_');
        c.add(u'a', u'z');
        break;
    default:
        for (const auto& r : kSpaceRanges)
            c.add(r[0], r[1]);
        break;
    }
    return (letter >= 'A' && letter <= 'Z') ? c.negated() : c;
}

PatternCharClass PatternCharClass::dot()
{
    PatternCharClass c;
    c.add(0x0A, 0x0A);
    c.add(0x0D, 0x0D);
    c.add(0x2028, 0x2029);
    return c.negated();
}

void PatternCharClass::add(char16_t lo, char16_t hi)
{
    // Insert, then merge with every range it overlaps or touches.
    auto it = std::lower_bound(m_ranges.begin(), m_ranges.end(), lo,
                               [](const Range& r, char16_t v) { return r.hi + 1 < int(v); });
    Range merged{lo, hi};
    auto end = it;
    while (end != m_ranges.end() && int(end->lo) <= int(hi) + 1) {
        merged.lo = std::min(merged.lo, end->lo);
        merged.hi = std::max(merged.hi, end->hi);
        ++end;
    }
    it = m_ranges.erase(it, end);
    m_ranges.insert(it, merged);
}

void PatternCharClass::add(const PatternCharClass& other)
{
    for (const Range& r : other.m_ranges)
        add(r.lo, r.hi);
}

PatternCharClass PatternCharClass::negated() const
{
    PatternCharClass c;
    int next = 0;
    for (const Range& r : m_ranges) {
        if (r.lo > next)
            c.m_ranges.push_back({char16_t(next), char16_t(r.lo - 1)});
        next = r.hi + 1;
    }
    if (next <= 0xFFFF)
        c.m_ranges.push_back({char16_t(next), char16_t(0xFFFF)});
    return c;
}

PatternCharClass PatternCharClass::merged(std::vector<Range> ranges)
{
    std::sort(ranges.begin(), ranges.end(), [](const Range& a, const Range& b) { return a.lo < b.lo; });
    PatternCharClass c;
    for (const Range& r : ranges) {
        if (!c.m_ranges.empty() && int(r.lo) <= c.m_ranges.back().hi + 1)
            c.m_ranges.back().hi = std::max(c.m_ranges.back().hi, r.hi);
        else
            c.m_ranges.push_back(r);
    }
    return c;
}

const PatternCharClass& PatternCharClass::notAnyForm()
{
    static const PatternCharClass units = [] {
        std::vector<Range> all;
        for (auto p = PatternCaseFolding::changedFrom(0); p != PatternCaseFolding::changedEnd(); ++p)
            all.push_back({p->unit, p->unit});
        return merged(all);
    }();
    return units;
}

PatternCharClass PatternCharClass::formsOnly() const
{
    // This set less the units that are no unit's form: this set and the
    // complement of those.
    const PatternCharClass forms = notAnyForm().negated();
    PatternCharClass c;
    size_t k = 0;
    for (const Range& r : m_ranges) {
        while (k < forms.m_ranges.size() && forms.m_ranges[k].hi < r.lo)
            ++k;
        for (size_t j = k; j < forms.m_ranges.size() && forms.m_ranges[j].lo <= r.hi; ++j)
            c.m_ranges.push_back({std::max(r.lo, forms.m_ranges[j].lo), std::min(r.hi, forms.m_ranges[j].hi)});
    }
    return c;
}

PatternCharClass PatternCharClass::caseBlind() const
{
    // The members whose form is themselves stay; the others are replaced by
    // their forms.
    std::vector<Range> pieces;
    for (const Range& r : m_ranges) {
        int from = r.lo;
        const PatternCaseFolding::Pair* p = PatternCaseFolding::changedFrom(r.lo);
        for (; p != PatternCaseFolding::changedEnd() && p->unit <= r.hi; ++p) {
            if (p->unit > from)
                pieces.push_back({char16_t(from), char16_t(p->unit - 1)});
            from = p->unit + 1;
            pieces.push_back({p->form, p->form});
        }
        if (from <= r.hi)
            pieces.push_back({char16_t(from), r.hi});
    }
    PatternCharClass forms = merged(pieces);
    // A unit whose form is another never occurs among a subject's forms,
    // so such units may be added to the set freely: with all of them a set
    // like '.' or '[^a]' stays a few ranges instead of a thousand.
    const PatternCharClass& notForms = notAnyForm();
    std::vector<Range> widened = forms.m_ranges;
    widened.insert(widened.end(), notForms.m_ranges.begin(), notForms.m_ranges.end());
    PatternCharClass wide = merged(std::move(widened));
    return wide.m_ranges.size() < forms.m_ranges.size() ? wide : forms;
}

bool PatternCharClass::contains(char16_t u) const
{
    auto it = std::upper_bound(m_ranges.begin(), m_ranges.end(), u,
                               [](char16_t v, const Range& r) { return v < r.lo; });
    return it != m_ranges.begin() && u <= (it - 1)->hi;
}

QString PatternCharClass::re2Text() const
{
    if (m_ranges.empty())
        return QStringLiteral("[^\\x{0}-\\x{10ffff}]");
    if (isSingle())
        return codePointText(re2CodePoint(m_ranges[0].lo));
    QString text = QStringLiteral("[");
    const auto put = [&](char32_t lo, char32_t hi) {
        text += codePointText(lo);
        if (hi != lo)
            text += u'-' + codePointText(hi);
    };
    for (const Range& r : m_ranges) {
        // A range over the surrogates is cut where they begin and end, as
        // they are mapped away from their neighbours.
        const char16_t lo = r.lo;
        const char16_t hi = r.hi;
        if (lo < 0xD800)
            put(lo, std::min<char16_t>(hi, 0xD7FF));
        if (hi >= 0xD800 && lo <= 0xDFFF)
            put(re2CodePoint(std::max<char16_t>(lo, 0xD800)), re2CodePoint(std::min<char16_t>(hi, 0xDFFF)));
        if (hi >= 0xE000)
            put(std::max<char16_t>(lo, 0xE000), hi);
    }
    return text + u']';
}
