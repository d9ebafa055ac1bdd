#pragma once

#include "platform/FetchOptions.h"
#include "platform/FetchResult.h"

#include <QString>
#include <functional>

// One page, fetched on the calling thread, which waits until the transfer
// ends: for work already on a worker thread (the configuration test), tools
// and tests, never the window's thread. FetchPool fetches many at once the
// same way.
class PageFetcher
{
public:
    // `cancelled`, when given, is polled during the transfer, also while a
    // connection or an answer is awaited; once it says yes the connection is
    // dropped and the result's error is "cancelled".
    static FetchResult fetch(const QString& url, const FetchOptions& options = {},
                             const std::function<bool()>& cancelled = {});
};
