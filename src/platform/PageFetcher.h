#pragma once

#include <QObject>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>

class QThread;

// Result of one fetch: the body decoded to text (every line break as CR LF) and
// the header block of the final response, status line first, lines joined by CR
// LF. A failed fetch gives empty texts and an error description.
struct FetchResult
{
    QString url;
    QString body;
    QString header;
    QString error;           // empty when a response arrived
    bool truncated = false;  // the body was cut at FetchOptions::maxBodyBytes
    qint64 bytes = 0;        // body bytes kept, after the transfer's own decompression
    qint64 milliseconds = 0; // from the start of the fetch to its end, waits for a retry included
    // Requests sent for this result: 1, more when the page was asked again, 0
    // when none was (its host was known not to answer, or no transfer began).
    int attempts = 0;
    QString finalUrl; // where the redirects led: the address of the page received; "" when none arrived
    // The body's bytes as they came, instead of body, when FetchOptions::keepBodyBytes asked for them.
    QByteArray bodyBytes;
    // libcurl's code (a CURLcode) when libcurl ended the transfer with an
    // error; 0 when a response arrived or the program ended the transfer
    // itself (time-out, stall, cancel, a host known not to answer). The kind
    // of a failure, where the error text is libcurl's wording of the moment.
    int curlCode = 0;
    bool ok() const { return error.isEmpty(); }
};

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

// The HTTP component. openUrl starts a transfer on the fetcher's own worker
// thread and emits finished() on the owner's thread when it is done; body() and
// getHeader() then give that response. Never blocks the caller. A new openUrl
// while a transfer is in flight supersedes it: only the newest one finishes.
class PageFetcher : public QObject
{
    Q_OBJECT

public:
    explicit PageFetcher(QObject* parent = nullptr, const FetchOptions& options = {});
    ~PageFetcher() override;

    void openUrl(const QString& url);
    bool isBusy() const { return m_busy; }
    // Drops the transfer in flight; no finished() follows for it.
    void abort();

    const FetchOptions& options() const { return m_options; }
    void setOptions(const FetchOptions& options) { m_options = options; }

    const FetchResult& result() const { return m_result; }
    QString body() const { return m_result.body; }
    QString getHeader() const { return m_result.header; }

    // The same transfer, synchronously on the calling thread (worker threads,
    // tools, tests). `cancelled`, when given, is polled during the transfer.
    static FetchResult fetch(const QString& url, const FetchOptions& options = {},
                             const std::function<bool()>& cancelled = {});

Q_SIGNALS:
    void finished(const FetchResult& result);

private:
    void deliver(quint64 generation, const FetchResult& result);

    FetchOptions m_options;
    FetchResult m_result;
    QThread* m_thread = nullptr;
    QObject* m_worker = nullptr; // lives in m_thread
    // The generation the owner still wants; a transfer of any other one stops.
    std::shared_ptr<std::atomic<quint64>> m_wanted;
    quint64 m_generation = 0;
    bool m_busy = false;
};
