#pragma once

#include <QString>

// What a page tells search engines about itself: the content of a
// <meta name="robots"> (or "googlebot") and the X-Robots-Tag header lines.
struct RobotsDirectives
{
    bool noindex = false;
    bool nofollow = false;

    // "noindex, nofollow", "none", "NOINDEX": a meta element's content.
    void addContent(const QString& content);
    // Every X-Robots-Tag line of a header block. A line may name a crawler
    // ("googlebot: noindex"); lines for other crawlers are not ours.
    void addHeaderBlock(const QString& header);
};
