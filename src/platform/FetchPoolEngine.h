#pragma once

#include "platform/FetchJob.h"
#include "platform/FetchLimits.h"
#include "platform/FetchOptions.h"
#include "platform/FetchResult.h"
#include "platform/FetchSiteLedger.h"
#include "platform/FetchWaitGauge.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QMutex>
#include <QString>
#include <curl/curl.h>
#include <deque>
#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

class QThread;

// The worker side of FetchPool: one thread that owns one libcurl multi handle
// (so connections and resolved names are reused across pages) and runs every
// transfer on it. The public calls may come from any thread; they queue a
// command and wake the worker, never wait for it. Results leave through the
// delivery function, called on the worker thread, and so does the count of
// transfers waiting on silent servers, whenever it changes.
class FetchPoolEngine
{
public:
    using Delivery = std::function<void(quint64 ticket, const FetchResult& result)>;
    // count: transfers waiting on silent servers and the pages queued behind
    // them; leftMs: until the last of those transfers is given up at the latest.
    using WaitingReport = std::function<void(int count, qint64 leftMs)>;

    FetchPoolEngine(const FetchOptions& options, const FetchLimits& limits, Delivery delivery,
                    WaitingReport waitingReport = {});
    ~FetchPoolEngine(); // drops every transfer and joins the thread
    FetchPoolEngine(const FetchPoolEngine&) = delete;
    FetchPoolEngine& operator=(const FetchPoolEngine&) = delete;

    void start(quint64 ticket, const QString& url);
    void cancel(quint64 ticket);
    void cancelAll();
    void setLimits(const FetchLimits& limits);
    // For the transfers started from now on.
    void setTimeoutSeconds(int seconds);
    // See FetchPool::setSilentTransfersFree.
    void setSilentTransfersFree(bool free);
    // A page waiting to be asked again ends now, with the answer it had.
    void giveUpRetries(quint64 ticket);
    // Every site counts as answering again.
    void forgetSites();

private:
    // A call of the public interface, run on the worker thread.
    using Command = std::function<void()>;

    void post(Command command);
    void run();
    bool takeCommands(); // false once the engine is to stop
    void add(quint64 ticket, const QString& url);
    void drop(quint64 ticket);
    void answerNow(quint64 ticket);
    void dropAll();
    void applyLimits(const FetchLimits& limits);
    void releaseDuePauses();
    void admit();
    bool collectFinished();
    bool expireSilent();
    void detach(FetchJob& job);
    void conclude(FetchJob& job, CURLcode code, bool expired);
    void pause(FetchJob& job, qint64 delayMs, FetchResult standing);
    void review(const QString& site);
    void finish(FetchJob& job, FetchResult result);
    void reportWaiting();
    int pollTimeoutMs() const;

    FetchOptions m_options;
    const Delivery m_delivery;
    const WaitingReport m_waitingReport;
    CURLM* m_multi = nullptr;
    QThread* m_thread = nullptr;

    QMutex m_mutex; // guards m_commands
    std::vector<Command> m_commands;
    bool m_stopping = false; // worker thread only

    // Owned by the worker thread.
    QElapsedTimer m_clock;
    FetchLimits m_limits;
    std::unordered_map<quint64, std::unique_ptr<FetchJob>> m_jobs; // by ticket, until the result goes
    std::deque<FetchJob*> m_waiting;  // in the order given; pages asked again first
    std::vector<FetchJob*> m_pausing; // until their due time
    std::unordered_map<CURL*, FetchJob*> m_running;
    QHash<QString, int> m_hostLoad; // running transfers per host
    FetchSiteLedger m_ledger;
    bool m_admissionDue = false; // something changed that may free or fill a slot
    FetchWaitGauge m_gauge;
    bool m_silentFree = false;
};
