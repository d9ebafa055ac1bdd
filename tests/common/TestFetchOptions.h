#pragma once

#include "platform/FetchOptions.h"

// Time limits for fetches from the tests' own server on 127.0.0.1: short enough
// that a fault which makes a transfer hang fails the test quickly, long enough
// for a loaded machine.
inline FetchOptions quickFetchOptions()
{
    FetchOptions o;
    o.connectTimeoutMs = 2000;
    o.totalTimeoutMs = 5000;
    o.lowSpeedSeconds = 5;
    return o;
}
