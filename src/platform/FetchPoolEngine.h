#pragma once

#include "platform/FetchLimits.h"
#include "platform/PageFetcher.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QMutex>
#include <QString>
#include <curl/curl.h>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

class QThread;
class CurlTransfer;

// The worker side of FetchPool: one thread that owns one libcurl multi handle
// (so connections and resolved names are reused across pages) and runs every
// transfer on it. The public calls may come from any thread; they queue a
// command and wake the worker, never wait for it. Results leave through the
// delivery function, called on the worker thread.
class FetchPoolEngine
{
public:
    using Delivery = std::function<void(quint64 ticket, const FetchResult& result)>;

    FetchPoolEngine(const FetchOptions& options, const FetchLimits& limits, Delivery delivery);
    ~FetchPoolEngine(); // drops every transfer and joins the thread
    FetchPoolEngine(const FetchPoolEngine&) = delete;
    FetchPoolEngine& operator=(const FetchPoolEngine&) = delete;

    void start(quint64 ticket, const QString& url);
    void cancel(quint64 ticket);
    void cancelAll();
    void setLimits(const FetchLimits& limits);
    // A transfer waiting to ask a busy server again ends now, with the busy
    // answer it had.
    void giveUpRetries(quint64 ticket);

    // The wait a Retry-After value asks for, in milliseconds from nowMs (ms
    // since the epoch): delta seconds or an HTTP date; -1 when it is neither.
    static qint64 retryDelayMs(const QByteArray& retryAfter, qint64 nowMs);

private:
    struct Job
    {
        quint64 ticket = 0;
        QString url;
        QString host; // the key of the per-host limit
        int retries = 0;
        std::optional<FetchResult> busyAnswer; // the last "429" or "503", while a retry waits
        qint64 dueMs = 0;                      // a waiting retry starts at this point of m_clock
        QElapsedTimer clock;                   // since the first attempt started
        std::unique_ptr<CurlTransfer> transfer;
    };
    using JobPtr = std::unique_ptr<Job>;

    struct Command
    {
        enum Kind
        {
            Start,
            Cancel,
            CancelAll,
            Limits,
            GiveUpRetries,
            Stop
        } kind = Start;
        quint64 ticket = 0;
        QString url;
        FetchLimits limits;
    };

    void post(Command command);
    void run();
    bool takeCommands(); // false once the engine is to stop
    void drop(quint64 ticket);
    void answerNow(quint64 ticket);
    void dropAll();
    void applyLimits(const FetchLimits& limits);
    void releaseDueRetries();
    void admit();
    bool collectFinished();
    void conclude(JobPtr job, CURLcode code);
    void deliver(const Job& job, FetchResult result);
    int pollTimeoutMs() const;

    const FetchOptions m_options;
    const Delivery m_delivery;
    CURLM* m_multi = nullptr;
    QThread* m_thread = nullptr;

    QMutex m_mutex; // guards m_commands
    std::vector<Command> m_commands;

    // Owned by the worker thread.
    QElapsedTimer m_clock;
    FetchLimits m_limits;
    std::deque<JobPtr> m_waiting;   // in the order given; due retries go first
    std::vector<JobPtr> m_retrying; // until their due time
    std::unordered_map<CURL*, JobPtr> m_running;
    QHash<QString, int> m_hostLoad; // running transfers per host
    bool m_admissionDue = false;    // something changed that may free or fill a slot
};
