#pragma once

#include "Version.h"

#include <QString>

// What one page may take in the renderer. The user agent is the one the
// fetches send, so a server that answers differently by user agent shows the
// renderer the page it showed the fetch.
struct RenderLimits
{
    static constexpr int kDefaultTimeoutMs = 15000;
    static constexpr int kDefaultQuietMs = 500;
    static constexpr qint64 kDefaultMaxBytes = 16 * 1024 * 1024;

    // From the start of the load to the page's markup taken as it stands.
    int timeoutMs = kDefaultTimeoutMs;
    // A page counts as settled once loaded and no request has started for this long.
    int quietMs = kDefaultQuietMs;
    // The most bytes (UTF-8) of markup handed back; a larger page comes back without it.
    qint64 maxBytes = kDefaultMaxBytes;
    QString userAgent = QStringLiteral("Quillmark/" QUILLMARK_VERSION_TEXT);
};
