#pragma once

#include <QWebEngineUrlRequestInterceptor>
#include <atomic>

// Sees every request a page makes: it turns away what cannot change the
// page's markup (pictures, media, fonts, pings, reports) and notes when the
// last of the others started, which tells when the page has gone quiet.
class RequestWatch : public QWebEngineUrlRequestInterceptor
{
    Q_OBJECT

public:
    explicit RequestWatch(QObject* parent = nullptr);

    void interceptRequest(QWebEngineUrlRequestInfo& info) override;

    // Milliseconds on the monotonic clock (QDeadlineTimer's) at the start of
    // the last request let through; 0 before the first.
    qint64 lastStartMs() const { return m_lastStartMs.load(std::memory_order_relaxed); }
    int requestsLetThrough() const { return m_letThrough.load(std::memory_order_relaxed); }

private:
    // The engine may call the interceptor on a thread of its own.
    std::atomic<qint64> m_lastStartMs{0};
    std::atomic<int> m_letThrough{0};
};
