#pragma once

#include <QObject>
#include <QString>

// Result of one fetch: the body decoded to text (every line break as CR LF) and
// the header block of the final response, status line first, lines joined by CR
// LF. A failed fetch gives empty texts and an error description.
struct FetchResult
{
    QString url;
    QString body;
    QString header;
    QString error; // empty when a response arrived
    bool ok() const { return error.isEmpty(); }
};

struct FetchOptions
{
    int maxRedirects = 10;
    int connectTimeoutMs = 15000;
    int totalTimeoutMs = 60000;
    int lowSpeedSeconds = 20;            // give up below 1 byte/s for this long
    qint64 maxBodyBytes = 16 * 1024 * 1024;
    QString caBundle;                     // empty: the system's trust store
};

// The HTTP component. OpenURL starts a transfer off the calling thread and
// emits finished() on the owner's thread when it is done; body() and
// GetHeader() then give that response. Never blocks the caller.
class PageFetcher : public QObject
{
    Q_OBJECT

public:
    explicit PageFetcher(QObject* parent = nullptr, const FetchOptions& options = {});
    ~PageFetcher() override;

    void OpenURL(const QString& url);
    bool isBusy() const;
    // Drops the transfer in flight; no finished() follows for it.
    void abort();

    const FetchResult& result() const { return m_result; }
    QString body() const { return m_result.body; }
    QString GetHeader() const { return m_result.header; }

    // The same transfer, synchronously on the calling thread (worker threads, tools, tests).
    static FetchResult fetch(const QString& url, const FetchOptions& options = {});

Q_SIGNALS:
    void finished(const FetchResult& result);

private:
    FetchOptions m_options;
    FetchResult m_result;
    class Worker;
    Worker* m_worker = nullptr;
    quint64 m_generation = 0;
};
