#pragma once

#include "linkback/HtmlTagScan.h"
#include "linkback/MySites.h"

#include <QByteArray>
#include <QString>
#include <string>
#include <utility>
#include <vector>

// Writes the skeleton of a page (see PageSkeleton) in one pass over its
// UTF-8: text and tags as the HTML tokenizer meets them, the raw text of
// scripts and the like, comments.
class SkeletonWriter
{
public:
    SkeletonWriter(const QByteArray& page, const MySites& sites, bool everyAnchor);

    void run();

    QByteArray m_out;
    std::vector<std::pair<qsizetype, qsizetype>> m_edits; // (in m_out, in the page) where the copy jumps
    std::vector<qsizetype> m_cuts;                        // in m_out, where words were left out
    bool m_mayLink = false;

private:
    void copy(qsizetype a, qsizetype b);
    void insert(const char* text);
    void text(qsizetype a, qsizetype b);
    void rest(qsizetype from);
    void startTag(const HtmlTag& tag);
    bool mayNameSite(const HtmlTag& tag);
    bool cannotName(const char* value, qsizetype length);
    qsizetype rawTextEnd(const std::string& name, qsizetype from) const;
    qsizetype markupEnd(qsizetype lt) const;

    const char* m_s;
    qsizetype m_n;
    const MySites& m_sites;
    bool m_everyAnchor;
    qsizetype m_next = -1; // where the last copy ended
    // <a> start tags not yet matched by an end tag since a link that may
    // point into the sites began: until then the parser may still put text
    // into that link (an unclosed link is carried on after the element that
    // held it), so nothing is cut.
    int m_openLinks = 0;
    bool m_foreign = false;  // <svg> or <math> seen: script and style may be markup there
    bool m_frameset = false; // a frameset ignores <script>
    HtmlTag m_tag;
    QString m_value;
    char m_lower[2048];
    std::vector<std::string> m_hosts;
};
