#pragma once

#include <QString>

// How long a fetch may wait, and how much it keeps. The time-out a user sets
// is answerTimeoutMs: connecting plus the wait for the first line of the answer
// (for each answer of a redirect chain anew). Once an answer has begun, a
// transfer that receives nothing for lowSpeedSeconds has stalled. Whatever
// happens, the whole transfer ends after totalTimeoutMs.
struct FetchOptions
{
    static constexpr int kDefaultTimeoutSeconds = 20;
    static constexpr int kLeastTimeoutSeconds = 2;
    static constexpr int kMostTimeoutSeconds = 120;

    int maxRedirects = 10;
    int answerTimeoutMs = kDefaultTimeoutSeconds * 1000; // 0: no limit of its own
    // libcurl's own limit on connecting. It only backs answerTimeoutMs up, so
    // it lies a second beyond it: the answer time-out, which says what went
    // wrong in plain words, is always the one that ends a slow connection.
    int connectTimeoutMs = kDefaultTimeoutSeconds * 1000 + 1000;
    int totalTimeoutMs = 60000;
    int lowSpeedSeconds = 20; // a stall: nothing received for this long, after the answer began
    qint64 maxBodyBytes = 16 * 1024 * 1024;
    QString caBundle; // empty: the system's trust store
    // The body is kept as bytes (FetchResult::bodyBytes) and never decoded:
    // for files whose format fixes their encoding whatever the header says.
    bool keepBodyBytes = false;

    // The user's time-out, in whole seconds, brought into 2-120. The total
    // limit grows with it, so that a long wait for the first byte still
    // leaves time for the page itself.
    void setTimeoutSeconds(int seconds)
    {
        const int bounded = seconds < kLeastTimeoutSeconds  ? kLeastTimeoutSeconds
                            : seconds > kMostTimeoutSeconds ? kMostTimeoutSeconds
                                                            : seconds;
        answerTimeoutMs = bounded * 1000;
        connectTimeoutMs = answerTimeoutMs + 1000;
        totalTimeoutMs = answerTimeoutMs + 30000 > 60000 ? answerTimeoutMs + 30000 : 60000;
    }
    int timeoutSeconds() const { return answerTimeoutMs / 1000; }
};
