#pragma once

#include "linkback/MySites.h"

#include <QByteArray>
#include <vector>

// The page as the parser needs to see it when only the links into the
// user's sites matter: every tag, comment and script as written, but the
// words between tags cut to their first character, and the tags stripped of
// the attributes that change nothing the proof reads (class, id, the href of
// a link elsewhere, ...). A directory page is mostly words and links to
// other sites; the parser, which spends its time on every character, then
// reads a tenth of it and builds the same elements in the same places.
//
// A link that may point into the sites is kept as written, its text and
// everything up to its end tag included, so its text and markup are those of
// the page. Cutting happens only where the parser is surely reading plain
// text: wherever the reading of the page is in doubt (text inside <title> or
// <style> that looks like markup, scripts that open comments, SVG, CDATA,
// <plaintext>, a tag left open at the end), the rest of the page is kept as
// it is.
class PageSkeleton
{
public:
    // page: UTF-8. everyAnchor: any link may point into the sites (the page
    // lies on one of them, or has a <base>), so every link is kept whole.
    PageSkeleton(const QByteArray& page, const MySites& sites, bool everyAnchor);
    // The page as it is.
    explicit PageSkeleton(const QByteArray& page);

    const QByteArray& bytes() const { return m_bytes; }
    const QByteArray& original() const { return m_original; }
    // False when no link of the page can point into the sites: no <a> or
    // <area> whose href may name one of them, no comment that holds an href.
    bool mayLink() const { return m_mayLink; }
    // Where a position of bytes() lies in the original page.
    qsizetype originalOffset(qsizetype at) const;

    // Whether text was cut between these positions of bytes() (a text node
    // read from there misses some of the page's words).
    bool cutWithin(qsizetype from, qsizetype to) const;

    // Whether the page has a <base> tag (anywhere, even in a comment).
    static bool hasBase(const QByteArray& page);

private:
    struct Edit
    {
        qsizetype at;       // in m_bytes
        qsizetype original; // in m_original
    };

    QByteArray m_original;
    QByteArray m_bytes;
    std::vector<Edit> m_edits;     // where the copy jumps; empty: the page as it is
    std::vector<qsizetype> m_cuts; // in m_bytes: where words were left out, in order
    bool m_mayLink = true;
};
