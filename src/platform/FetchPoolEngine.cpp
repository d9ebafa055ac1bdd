#include "platform/FetchPoolEngine.h"

#include "platform/CurlTransfer.h"
#include "platform/LogCategories.h"

#include <QDateTime>
#include <QMutexLocker>
#include <QRandomGenerator>
#include <QSet>
#include <QThread>
#include <QUrl>
#include <algorithm>

namespace {

// A busy server may ask for a pause; a short one is worth waiting for, a long
// one would hold the whole list up, so that answer stands as it came.
constexpr qint64 kLongestRetryDelayMs = 120 * 1000;
constexpr int kMostRetries = 2;
// The worker also wakes this often when nothing happens; the wake-up call
// brings new commands in at once, so this is only a safety net.
constexpr int kIdlePollMs = 1000;

// The pause before a page is asked again after a transient failure: long
// enough for a server that was restarting or overloaded, and spread, so that
// the pages of one server that failed together are not asked again together.
qint64 transientPauseMs()
{
    return QRandomGenerator::global()->bounded(1000, 3001);
}

} // namespace

FetchPoolEngine::FetchPoolEngine(const FetchOptions& options, int connections, int connectionsPerHost,
                                 Delivery delivery, WaitingReport waitingReport)
    : m_options(options), m_delivery(std::move(delivery)), m_waitingReport(std::move(waitingReport))
{
    CurlTransfer::initialiseLibrary();
    m_clock.start();
    m_multi = curl_multi_init();
    applyLimits(connections, connectionsPerHost);
    m_thread = QThread::create([this] { run(); });
    m_thread->setObjectName(QStringLiteral("FetchPool"));
    m_thread->start();
}

FetchPoolEngine::~FetchPoolEngine()
{
    Command stop;
    stop.kind = Command::Stop;
    post(std::move(stop));
    m_thread->wait();
    delete m_thread;
    curl_multi_cleanup(m_multi);
}

void FetchPoolEngine::start(quint64 ticket, const QString& url)
{
    Command c;
    c.kind = Command::Start;
    c.ticket = ticket;
    c.url = url;
    post(std::move(c));
}

void FetchPoolEngine::cancel(quint64 ticket)
{
    Command c;
    c.kind = Command::Cancel;
    c.ticket = ticket;
    post(std::move(c));
}

void FetchPoolEngine::cancelAll()
{
    Command c;
    c.kind = Command::CancelAll;
    post(std::move(c));
}

void FetchPoolEngine::setLimits(int connections, int connectionsPerHost)
{
    Command c;
    c.kind = Command::Limits;
    c.first = connections;
    c.second = connectionsPerHost;
    post(std::move(c));
}

void FetchPoolEngine::setTimeoutSeconds(int seconds)
{
    Command c;
    c.kind = Command::Timeout;
    c.first = seconds;
    post(std::move(c));
}

void FetchPoolEngine::forgetSites()
{
    Command c;
    c.kind = Command::ForgetSites;
    post(std::move(c));
}

void FetchPoolEngine::giveUpRetries(quint64 ticket)
{
    Command c;
    c.kind = Command::GiveUpRetries;
    c.ticket = ticket;
    post(std::move(c));
}

qint64 FetchPoolEngine::retryDelayMs(const QByteArray& retryAfter, qint64 nowMs)
{
    const QByteArray value = retryAfter.trimmed();
    if (value.isEmpty())
        return -1;
    if (std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        if (value.size() > 9)
            return kLongestRetryDelayMs * 1000; // far beyond any wait worth taking
        return value.toLongLong() * 1000;
    }
    const time_t when = curl_getdate(value.constData(), nullptr);
    if (when == time_t(-1))
        return -1;
    return qMax<qint64>(0, qint64(when) * 1000 - nowMs);
}

namespace {

// The per-host limit counts by host name; what the pool remembers of a server
// goes by host and port, since one port of a host may be closed and another
// serve.
void keysOf(const QString& url, QString& host, QString& site)
{
    const QUrl parsed(url, QUrl::TolerantMode);
    host = parsed.host().toLower();
    const int port = parsed.port(parsed.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0 ? 443 : 80);
    site = host + u':' + QString::number(port);
}

} // namespace

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
    for (Command& c : commands) {
        switch (c.kind) {
        case Command::Start:
            add(c.ticket, c.url);
            break;
        case Command::Cancel:
            drop(c.ticket);
            break;
        case Command::CancelAll:
            dropAll();
            break;
        case Command::Limits:
            applyLimits(c.first, c.second);
            break;
        case Command::Timeout:
            m_options.setTimeoutSeconds(c.first);
            break;
        case Command::GiveUpRetries:
            answerNow(c.ticket);
            break;
        case Command::ForgetSites:
            m_ledger.forget();
            break;
        case Command::Stop:
            return false;
        }
    }
    return true;
}

void FetchPoolEngine::add(quint64 ticket, const QString& url)
{
    auto owned = std::make_unique<FetchJob>();
    FetchJob& job = *owned;
    job.ticket = ticket;
    job.url = url;
    keysOf(url, job.host, job.site);
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
    const bool waitsToAskAgain = job.state == FetchJob::State::Pausing || job.state == FetchJob::State::Undecided ||
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

void FetchPoolEngine::applyLimits(int connections, int perHost)
{
    m_connections = qBound(1, connections, 32);
    m_perHost = qBound(1, perHost, 4);
    // The pool admits no more than this itself; libcurl's own limits also hold
    // the connections a redirect opens to another host.
    curl_multi_setopt(m_multi, CURLMOPT_MAX_TOTAL_CONNECTIONS, long(m_connections));
    curl_multi_setopt(m_multi, CURLMOPT_MAX_HOST_CONNECTIONS, long(m_perHost));
    m_admissionDue = true;
}

void FetchPoolEngine::releaseDuePauses()
{
    const qint64 now = m_clock.elapsed();
    // Back to the head of the queue, in the order they were paused, so a
    // page already tried is not left to wait behind every page after it.
    std::vector<FetchJob*> due;
    for (auto it = m_pausing.begin(); it != m_pausing.end();) {
        if ((*it)->dueMs <= now) {
            due.push_back(*it);
            it = m_pausing.erase(it);
        } else {
            ++it;
        }
    }
    for (auto it = due.rbegin(); it != due.rend(); ++it) {
        (*it)->state = FetchJob::State::Waiting;
        m_waiting.push_front(*it);
        m_admissionDue = true;
    }
}

void FetchPoolEngine::admit()
{
    m_admissionDue = false;
    // Only as many transfers as may run are handed to libcurl: one that waited
    // in libcurl's queue would use up its time limits there.
    for (auto it = m_waiting.begin(); it != m_waiting.end() && int(m_running.size()) < m_connections;) {
        FetchJob& job = **it;
        if (m_hostLoad.value(job.host) >= m_perHost) {
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
    const CurlTransfer::Failure failure = transfer.failure(code);
    const int status = failure == CurlTransfer::Failure::None ? transfer.statusCode() : 0;
    job.answered = job.answered || transfer.answered();

    // A busy server that names its pause is asked again after it.
    if ((status == 429 || status == 503) && job.busyRetries < kMostRetries) {
        const qint64 delay =
            retryDelayMs(transfer.headerValue("Retry-After"), QDateTime::currentMSecsSinceEpoch());
        if (delay >= 0 && delay <= kLongestRetryDelayMs) {
            qCDebug(lcPlatform, "GET %s: %d, asked again in %lld ms", qUtf8Printable(job.url), status, delay);
            ++job.busyRetries;
            pause(job, delay, std::move(result));
            return;
        }
    }
    // A broken connection or a gateway's passing trouble is asked again
    // once. A client error (4xx) never is: the same request gets the same
    // answer.
    const bool transient = failure == CurlTransfer::Failure::Reset ||
                           ((status == 502 || status == 503 || status == 504) &&
                            transfer.headerValue("Retry-After").isEmpty());
    if (transient && !job.retried) {
        qCDebug(lcPlatform, "GET %s: %s, asked again once", qUtf8Printable(job.url),
                qUtf8Printable(status ? QString::number(status) : result.error));
        job.retried = true;
        pause(job, transientPauseMs(), std::move(result));
        return;
    }

    job.transfer.reset();
    job.answer = job.answered ? FetchJob::Answer::Answered
                 : failure == CurlTransfer::Failure::Unreachable || failure == CurlTransfer::Failure::TimedOut
                     ? FetchJob::Answer::Silent
                     : FetchJob::Answer::Other;
    result.milliseconds = job.clock.elapsed();
    result.attempts = job.attempts;
    if (failure == CurlTransfer::Failure::TimedOut && !job.retried) {
        // Asked again only if the site answered one of the pages before: the
        // ledger knows once those are done.
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
            pause(job, transientPauseMs(), std::move(*job.standing));
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

// How many pages wait on servers that have been silent for a while, and for
// how long at most: what the run's pace needs to be honest about.
void FetchPoolEngine::reportWaiting()
{
    if (!m_waitingReport)
        return;
    int count = 0;
    qint64 leftMs = 0;
    QSet<QString> silentHosts;
    for (const auto& [easy, job] : m_running) {
        if (job->transfer->quietMs() < kWaitingAfterMs)
            continue;
        ++count;
        leftMs = qMax(leftMs, job->transfer->msUntilDue());
        silentHosts.insert(job->host);
    }
    if (!silentHosts.isEmpty()) {
        for (const FetchJob* job : m_waiting)
            count += silentHosts.contains(job->host) ? 1 : 0;
    }
    // The end moves on by itself; only a change of a second or more is news.
    const qint64 dueMs = count ? m_clock.elapsed() + leftMs : 0;
    if (count == m_reportedWaiting && qAbs(dueMs - m_reportedDueMs) < 1000)
        return;
    m_reportedWaiting = count;
    m_reportedDueMs = dueMs;
    m_waitingReport(count, leftMs);
}

int FetchPoolEngine::pollTimeoutMs() const
{
    qint64 timeout = kIdlePollMs;
    const qint64 now = m_clock.elapsed();
    for (const FetchJob* job : m_pausing)
        timeout = qMin(timeout, qMax<qint64>(0, job->dueMs - now));
    // Awake when a server's silence runs out, and when a transfer comes to
    // count as waiting.
    for (const auto& [easy, job] : m_running) {
        const qint64 due = job->transfer->msUntilDue();
        if (due >= 0)
            timeout = qMin(timeout, due);
        const qint64 quiet = job->transfer->quietMs();
        if (quiet < kWaitingAfterMs)
            timeout = qMin(timeout, kWaitingAfterMs - quiet);
    }
    // libcurl shortens the wait further for its own time-outs.
    return int(timeout);
}
