#include "linkback/PageSkeleton.h"

#include "linkback/HtmlTagScan.h"
#include "linkback/SkeletonWriter.h"

#include <algorithm>

PageSkeleton::PageSkeleton(const QByteArray& page) : m_original(page), m_bytes(page) {}

PageSkeleton::PageSkeleton(const QByteArray& page, const MySites& sites, bool everyAnchor) : m_original(page)
{
    SkeletonWriter writer(page, sites, everyAnchor);
    writer.run();
    m_bytes = std::move(writer.m_out);
    m_mayLink = writer.m_mayLink;
    m_cuts = std::move(writer.m_cuts);
    m_edits.reserve(writer.m_edits.size());
    for (const auto& [at, original] : writer.m_edits)
        m_edits.push_back({at, original});
}

qsizetype PageSkeleton::originalOffset(qsizetype at) const
{
    if (m_edits.empty())
        return at;
    auto edit = std::upper_bound(m_edits.begin(), m_edits.end(), at,
                                 [](qsizetype value, const Edit& e) { return value < e.at; });
    if (edit == m_edits.begin())
        return at;
    --edit;
    return edit->original < 0 ? -1 : edit->original + (at - edit->at);
}

bool PageSkeleton::cutWithin(qsizetype from, qsizetype to) const
{
    const auto cut = std::upper_bound(m_cuts.begin(), m_cuts.end(), from);
    return cut != m_cuts.end() && *cut <= to;
}

bool PageSkeleton::hasBase(const QByteArray& page)
{
    const char* s = page.constData();
    const qsizetype n = page.size();
    for (qsizetype at = HtmlTagScan::find(s, n, 0, '<'); at >= 0; at = HtmlTagScan::find(s, n, at + 1, '<'))
        if (HtmlTagScan::startsWithNoCase(s, n, at + 1, "base") && at + 5 < n &&
            (HtmlTagScan::isSpace(s[at + 5]) || s[at + 5] == '>' || s[at + 5] == '/'))
            return true;
    return false;
}
