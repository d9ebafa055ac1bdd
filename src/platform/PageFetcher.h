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
    QString error;          // empty when a response arrived
    bool truncated = false; // the body was cut at FetchOptions::maxBodyBytes
    qint64 bytes = 0;        // body bytes kept, after the transfer's own decompression
    qint64 milliseconds = 0; // from the start of the fetch to its end, waits for a retry included
    QString finalUrl; // where the redirects led: the address of the page received; "" when none arrived
    bool ok() const { return error.isEmpty(); }
};

struct FetchOptions
{
    int maxRedirects = 10;
    int connectTimeoutMs = 15000;
    int totalTimeoutMs = 60000;
    int lowSpeedSeconds = 20; // give up below 1 byte/s for this long
    qint64 maxBodyBytes = 16 * 1024 * 1024;
    QString caBundle; // empty: the system's trust store
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
