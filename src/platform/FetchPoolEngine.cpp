#include "platform/FetchPoolEngine.h"

#include "platform/CurlTransfer.h"
#include "platform/FetchRetryRule.h"
#include "platform/LogCategories.h"

#include <QMutexLocker>
#include <QThread>
#include <algorithm>

// The worker also wakes this often when nothing happens; the wake-up call
// brings new commands in at once, so this is only a safety net.
constexpr int kIdlePollMs = 1000;

FetchPoolEngine::FetchPoolEngine(const FetchOptions& options, const FetchLimits& limits, Delivery delivery,
                                 WaitingReport waitingReport)
    : m_options(options), m_delivery(std::move(delivery)), m_waitingReport(std::move(waitingReport))
{
    CurlTransfer::initialiseLibrary();
    m_clock.start();
    m_multi = curl_multi_init();
    applyLimits(limits);
    m_thread = QThread::create([this] { run(); });
    m_thread->setObjectName(QStringLiteral("FetchPool"));
    m_thread->start();
}

FetchPoolEngine::~FetchPoolEngine()
{
    post([this] { m_stopping = true; });
    m_thread->wait();
    delete m_thread;
    curl_multi_cleanup(m_multi);
}

void FetchPoolEngine::start(quint64 ticket, const QString& url)
{
    post([this, ticket, url] { add(ticket, url); });
}

void FetchPoolEngine::cancel(quint64 ticket)
{
    post([this, ticket] { drop(ticket); });
}

void FetchPoolEngine::cancelAll()
{
    post([this] { dropAll(); });
}

void FetchPoolEngine::setLimits(const FetchLimits& limits)
{
    post([this, limits] { applyLimits(limits); });
}

void FetchPoolEngine::setTimeoutSeconds(int seconds)
{
    post([this, seconds] { m_options.setTimeoutSeconds(seconds); });
}

void FetchPoolEngine::forgetSites()
{
    post([this] { m_ledger.forget(); });
}

void FetchPoolEngine::setSilentTransfersFree(bool free)
{
    post([this, free] {
        m_silentFree = free;
        applyLimits(m_limits);
    });
}

void FetchPoolEngine::giveUpRetries(quint64 ticket)
{
    post([this, ticket] { answerNow(ticket); });
}

void FetchPoolEngine::post(Command command)
{
    {
        QMutexLocker lock(&m_mutex);
        m_commands.push_back(std::move(command));
    }
    curl_multi_wakeup(m_multi);
}

void FetchPoolEngine::run()
{
    while (takeCommands()) {
        releaseDuePauses();
        if (m_admissionDue)
            admit();
        int running = 0;
        curl_multi_perform(m_multi, &running);
        // A finished transfer frees a slot: hand it on before waiting again.
        const bool finished = collectFinished();
        const bool expired = expireSilent();
        reportWaiting();
        if (finished || expired)
            continue;
        curl_multi_poll(m_multi, nullptr, 0, pollTimeoutMs(), nullptr);
    }
    dropAll();
}

bool FetchPoolEngine::takeCommands()
{
    std::vector<Command> commands;
    {
        QMutexLocker lock(&m_mutex);
        commands.swap(m_commands);
    }
    for (const Command& command : commands) {
        if (!m_stopping)
            command();
    }
    return !m_stopping;
}

void FetchPoolEngine::add(quint64 ticket, const QString& url)
{
    auto owned = std::make_unique<FetchJob>(ticket, url);
    FetchJob& job = *owned;
    m_jobs.emplace(ticket, std::move(owned));
    m_waiting.push_back(&job);
    m_admissionDue = true;
    m_ledger.add(&job);
    review(job.site); // a site known to be gone fails it at once
}

void FetchPoolEngine::drop(quint64 ticket)
{
    const auto it = m_jobs.find(ticket);
    if (it == m_jobs.end())
        return;
    FetchJob& job = *it->second;
    const QString site = job.site;
    detach(job);
    m_ledger.remove(&job);
    m_jobs.erase(it);
    // A later page of the site may have waited for this one.
    review(site);
}

void FetchPoolEngine::answerNow(quint64 ticket)
{
    // Only a page waiting to be asked again (for its time, for a free
    // connection, or for the verdict on its time-out): one under way is a
    // transfer like any other.
    const auto it = m_jobs.find(ticket);
    if (it == m_jobs.end())
        return;
    FetchJob& job = *it->second;
    const bool waitsToAskAgain = job.state == FetchJob::State::Pausing ||
                                 job.state == FetchJob::State::Undecided ||
                                 (job.state == FetchJob::State::Waiting && job.standing);
    if (!waitsToAskAgain)
        return;
    detach(job);
    job.result = std::move(job.standing);
    job.standing.reset();
    job.state = FetchJob::State::Settled;
    review(job.site);
}

void FetchPoolEngine::dropAll()
{
    m_ledger.removeAll();
    for (auto& [easy, job] : m_running)
        curl_multi_remove_handle(m_multi, easy);
    m_running.clear();
    m_hostLoad.clear();
    m_waiting.clear();
    m_pausing.clear();
    m_jobs.clear();
}

void FetchPoolEngine::applyLimits(const FetchLimits& limits)
{
    m_limits = limits.bounded();
    // The pool admits no more than this itself; libcurl's own limits also hold
    // the connections a redirect opens to another host.
    curl_multi_setopt(m_multi, CURLMOPT_MAX_TOTAL_CONNECTIONS, long(m_limits.connections * (m_silentFree ? 2 : 1)));
    curl_multi_setopt(m_multi, CURLMOPT_MAX_HOST_CONNECTIONS, long(m_limits.connectionsPerHost));
    m_admissionDue = true;
}

void FetchPoolEngine::releaseDuePauses()
{
    const qint64 now = m_clock.elapsed();
    const auto due = std::stable_partition(m_pausing.begin(), m_pausing.end(),
                                           [now](const FetchJob* job) { return job->dueMs > now; });
    if (due == m_pausing.end())
        return;
    for (auto it = due; it != m_pausing.end(); ++it)
        (*it)->state = FetchJob::State::Waiting;
    // Back to the head of the queue, in the order they were paused, so a
    // page already tried is not left to wait behind every page after it.
    m_waiting.insert(m_waiting.begin(), due, m_pausing.end());
    m_pausing.erase(due, m_pausing.end());
    m_admissionDue = true;
}

void FetchPoolEngine::admit()
{
    m_admissionDue = false;
    // Only as many transfers as may run are handed to libcurl: one that waited
    // in libcurl's queue would use up its time limits there.
    const int limit = m_limits.connections + (m_silentFree ? qMin(m_gauge.silentRunning(), m_limits.connections) : 0);
    for (auto it = m_waiting.begin(); it != m_waiting.end() && int(m_running.size()) < limit;) {
        FetchJob& job = **it;
        if (m_hostLoad.value(job.host) >= m_limits.connectionsPerHost) {
            ++it;
            continue;
        }
        it = m_waiting.erase(it);
        if (!job.clock.isValid())
            job.clock.start();
        job.transfer = std::make_unique<CurlTransfer>(job.url, m_options);
        CURL* easy = job.transfer->handle();
        if (!easy || curl_multi_add_handle(m_multi, easy) != CURLM_OK) {
            FetchResult failed = job.transfer->failed(easy ? QStringLiteral("cannot start the transfer")
                                                           : QStringLiteral("cannot create a transfer"));
            job.transfer.reset();
            job.answer = FetchJob::Answer::Other;
            job.result = std::move(failed);
            job.state = FetchJob::State::Settled;
            review(job.site);
            // The review may have ended other queued pages of the site.
            it = m_waiting.begin();
            continue;
        }
        ++job.attempts;
        job.state = FetchJob::State::Running;
        ++m_hostLoad[job.host];
        m_running.emplace(easy, &job);
    }
}

bool FetchPoolEngine::collectFinished()
{
    bool any = false;
    int left = 0;
    while (CURLMsg* msg = curl_multi_info_read(m_multi, &left)) {
        if (msg->msg != CURLMSG_DONE)
            continue;
        const auto it = m_running.find(msg->easy_handle);
        if (it == m_running.end())
            continue;
        const CURLcode code = msg->data.result;
        FetchJob& job = *it->second;
        detach(job);
        conclude(job, code, false);
        any = true;
    }
    return any;
}

// Ends the transfers whose server has been silent for longer than the
// time-out allows (see CurlTransfer::msUntilDue).
bool FetchPoolEngine::expireSilent()
{
    std::vector<quint64> due;
    for (const auto& [easy, job] : m_running) {
        if (job->transfer->msUntilDue() == 0)
            due.push_back(job->ticket);
    }
    for (const quint64 ticket : due) {
        // Ending one may have refused another of the same site.
        const auto it = m_jobs.find(ticket);
        if (it == m_jobs.end() || it->second->state != FetchJob::State::Running)
            continue;
        FetchJob& job = *it->second;
        detach(job);
        conclude(job, CURLE_OK, true);
    }
    return !due.empty();
}

// Takes the job out of whatever queue or transfer it is in. Its transfer, if
// running, stops: removing the handle closes its connection, and the server
// sees the client go at once instead of finishing an answer nobody reads.
void FetchPoolEngine::detach(FetchJob& job)
{
    switch (job.state) {
    case FetchJob::State::Running: {
        CURL* easy = job.transfer->handle();
        curl_multi_remove_handle(m_multi, easy);
        m_running.erase(easy);
        if (--m_hostLoad[job.host] <= 0)
            m_hostLoad.remove(job.host);
        m_admissionDue = true;
        break;
    }
    case FetchJob::State::Waiting:
        m_waiting.erase(std::remove(m_waiting.begin(), m_waiting.end(), &job), m_waiting.end());
        break;
    case FetchJob::State::Pausing:
        m_pausing.erase(std::remove(m_pausing.begin(), m_pausing.end(), &job), m_pausing.end());
        break;
    case FetchJob::State::Undecided:
    case FetchJob::State::Settled:
        break;
    }
}

void FetchPoolEngine::conclude(FetchJob& job, CURLcode code, bool expired)
{
    CurlTransfer& transfer = *job.transfer;
    FetchResult result = expired ? transfer.expire() : transfer.finish(code);
    const FetchRetryRule::Verdict verdict = FetchRetryRule::judge(job, result, transfer.failure(code));
    if (verdict.kind == FetchRetryRule::Verdict::Kind::AskAgain) {
        pause(job, verdict.pauseMs, std::move(result));
        return;
    }
    job.transfer.reset();
    result.milliseconds = job.clock.elapsed();
    result.attempts = job.attempts;
    if (verdict.kind == FetchRetryRule::Verdict::Kind::AskSiteFirst) {
        job.standing = std::move(result);
        job.state = FetchJob::State::Undecided;
    } else {
        job.result = std::move(result);
        job.state = FetchJob::State::Settled;
    }
    review(job.site);
}

void FetchPoolEngine::pause(FetchJob& job, qint64 delayMs, FetchResult standing)
{
    job.transfer.reset();
    standing.milliseconds = job.clock.elapsed();
    standing.attempts = job.attempts;
    job.standing = std::move(standing);
    job.dueMs = m_clock.elapsed() + delayMs;
    job.state = FetchJob::State::Pausing;
    m_pausing.push_back(&job);
}

void FetchPoolEngine::review(const QString& site)
{
    for (const FetchSiteLedger::Step& step : m_ledger.review(site)) {
        FetchJob& job = *step.job;
        switch (step.kind) {
        case FetchSiteLedger::Step::Kind::Deliver:
            finish(job, std::move(*job.result));
            break;
        case FetchSiteLedger::Step::Kind::Refuse: {
            detach(job);
            FetchResult refused;
            refused.url = job.url;
            refused.error = step.reason;
            qCDebug(lcPlatform, "GET %s not tried: %s", qUtf8Printable(job.url), qUtf8Printable(step.reason));
            finish(job, std::move(refused));
            break;
        }
        case FetchSiteLedger::Step::Kind::AskAgain:
            qCDebug(lcPlatform, "GET %s: %s, asked again once", qUtf8Printable(job.url),
                    qUtf8Printable(job.standing->error));
            job.retried = true;
            pause(job, FetchRetryRule::transientPauseMs(), std::move(*job.standing));
            break;
        }
    }
}

// The result goes to the owner, and the job is done.
void FetchPoolEngine::finish(FetchJob& job, FetchResult result)
{
    const quint64 ticket = job.ticket;
    m_jobs.erase(ticket);
    m_delivery(ticket, result);
}

void FetchPoolEngine::reportWaiting()
{
    if (!m_gauge.measure(m_running, m_waiting, m_clock.elapsed()))
        return;
    m_admissionDue = m_admissionDue || m_silentFree;
    if (m_waitingReport)
        m_waitingReport(m_gauge.count(), m_gauge.leftMs());
}

int FetchPoolEngine::pollTimeoutMs() const
{
    qint64 timeout = kIdlePollMs;
    const qint64 now = m_clock.elapsed();
    for (const FetchJob* job : m_pausing)
        timeout = qMin(timeout, qMax<qint64>(0, job->dueMs - now));
    // Awake when a server's silence runs out, and when a transfer comes to
    // count as waiting.
    const qint64 silence = FetchWaitGauge::msUntilNextChange(m_running);
    if (silence >= 0)
        timeout = qMin(timeout, silence);
    // libcurl shortens the wait further for its own time-outs.
    return int(timeout);
}
