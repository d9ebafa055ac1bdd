#include "platform/FetchPoolEngine.h"

#include "platform/CurlTransfer.h"
#include "platform/LogCategories.h"

#include <QDateTime>
#include <QMutexLocker>
#include <QThread>
#include <algorithm>

namespace {

// A busy server may ask for a pause; a short one is worth waiting for, a long
// one would hold the whole list up, so that answer stands as it came.
constexpr qint64 kLongestRetryDelayMs = 120 * 1000;
constexpr int kMostRetries = 2;
// The worker also wakes this often when nothing happens; the wake-up call
// brings new commands in at once, so this is only a safety net.
constexpr int kIdlePollMs = 1000;

} // namespace

FetchPoolEngine::FetchPoolEngine(const FetchOptions& options, const FetchLimits& limits, Delivery delivery)
    : m_options(options), m_delivery(std::move(delivery))
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

void FetchPoolEngine::setLimits(const FetchLimits& limits)
{
    Command c;
    c.kind = Command::Limits;
    c.limits = limits;
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
        releaseDueRetries();
        if (m_admissionDue)
            admit();
        int running = 0;
        curl_multi_perform(m_multi, &running);
        // A finished transfer frees a slot: hand it on before waiting again.
        if (collectFinished())
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
        case Command::Start: {
            auto job = std::make_unique<Job>();
            job->ticket = c.ticket;
            job->host = FetchLimits::hostKey(c.url);
            job->url = std::move(c.url);
            m_waiting.push_back(std::move(job));
            m_admissionDue = true;
            break;
        }
        case Command::Cancel:
            drop(c.ticket);
            break;
        case Command::CancelAll:
            dropAll();
            break;
        case Command::Limits:
            applyLimits(c.limits);
            break;
        case Command::GiveUpRetries:
            answerNow(c.ticket);
            break;
        case Command::Stop:
            return false;
        }
    }
    return true;
}

void FetchPoolEngine::drop(quint64 ticket)
{
    const auto matches = [ticket](const JobPtr& job) { return job->ticket == ticket; };
    for (auto it = m_running.begin(); it != m_running.end(); ++it) {
        if (it->second->ticket != ticket)
            continue;
        // Removing the handle closes its connection: the server sees the
        // client go at once instead of finishing an answer nobody reads.
        curl_multi_remove_handle(m_multi, it->first);
        if (--m_hostLoad[it->second->host] <= 0)
            m_hostLoad.remove(it->second->host);
        m_running.erase(it);
        m_admissionDue = true;
        return;
    }
    std::erase_if(m_waiting, matches);
    std::erase_if(m_retrying, matches);
}

void FetchPoolEngine::answerNow(quint64 ticket)
{
    // Only a retry that has not started yet (still waiting for its time, or
    // for a free connection): one under way is a transfer like any other.
    const auto takeFrom = [this, ticket](auto& queue) {
        const auto it = std::find_if(queue.begin(), queue.end(), [ticket](const JobPtr& job) {
            return job->ticket == ticket && job->busyAnswer && !job->transfer;
        });
        if (it == queue.end())
            return false;
        JobPtr job = std::move(*it);
        queue.erase(it);
        deliver(*job, *job->busyAnswer);
        return true;
    };
    if (!takeFrom(m_retrying))
        takeFrom(m_waiting);
}

void FetchPoolEngine::dropAll()
{
    for (auto& [easy, job] : m_running)
        curl_multi_remove_handle(m_multi, easy);
    m_running.clear();
    m_hostLoad.clear();
    m_waiting.clear();
    m_retrying.clear();
}

void FetchPoolEngine::applyLimits(const FetchLimits& limits)
{
    m_limits = limits.bounded();
    // The pool admits no more than this itself; libcurl's own limits also hold
    // the connections a redirect opens to another host.
    curl_multi_setopt(m_multi, CURLMOPT_MAX_TOTAL_CONNECTIONS, long(m_limits.connections));
    curl_multi_setopt(m_multi, CURLMOPT_MAX_HOST_CONNECTIONS, long(m_limits.connectionsPerHost));
    m_admissionDue = true;
}

void FetchPoolEngine::releaseDueRetries()
{
    const qint64 now = m_clock.elapsed();
    // Back to the head of the queue, so a page already tried is not left to
    // wait behind every page after it.
    for (auto it = m_retrying.begin(); it != m_retrying.end();) {
        if ((*it)->dueMs <= now) {
            m_waiting.push_front(std::move(*it));
            it = m_retrying.erase(it);
            m_admissionDue = true;
        } else {
            ++it;
        }
    }
}

void FetchPoolEngine::admit()
{
    m_admissionDue = false;
    // Only as many transfers as may run are handed to libcurl: one that waited
    // in libcurl's queue would use up its time limits there.
    for (auto it = m_waiting.begin();
         it != m_waiting.end() && int(m_running.size()) < m_limits.connections;) {
        Job& job = **it;
        if (m_hostLoad.value(job.host) >= m_limits.connectionsPerHost) {
            ++it;
            continue;
        }
        JobPtr owned = std::move(*it);
        it = m_waiting.erase(it);
        if (!owned->clock.isValid())
            owned->clock.start();
        owned->transfer = std::make_unique<CurlTransfer>(owned->url, m_options);
        CURL* easy = owned->transfer->handle();
        if (!easy) {
            deliver(*owned, owned->transfer->failed(QStringLiteral("cannot create a transfer")));
            continue;
        }
        if (curl_multi_add_handle(m_multi, easy) != CURLM_OK) {
            deliver(*owned, owned->transfer->failed(QStringLiteral("cannot start the transfer")));
            continue;
        }
        ++m_hostLoad[owned->host];
        m_running.emplace(easy, std::move(owned));
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
        curl_multi_remove_handle(m_multi, it->first);
        JobPtr job = std::move(it->second);
        m_running.erase(it);
        if (--m_hostLoad[job->host] <= 0)
            m_hostLoad.remove(job->host);
        conclude(std::move(job), code);
        any = true;
    }
    if (any)
        m_admissionDue = true;
    return any;
}

void FetchPoolEngine::conclude(JobPtr job, CURLcode code)
{
    const CurlTransfer& transfer = *job->transfer;
    const int status = code == CURLE_OK ? transfer.statusCode() : 0;
    if ((status == 429 || status == 503) && job->retries < kMostRetries) {
        const qint64 delay =
            retryDelayMs(transfer.headerValue("Retry-After"), QDateTime::currentMSecsSinceEpoch());
        if (delay >= 0 && delay <= kLongestRetryDelayMs) {
            qCDebug(lcPlatform, "GET %s: %d, asked again in %lld ms", qUtf8Printable(job->url), status,
                    delay);
            ++job->retries;
            job->dueMs = m_clock.elapsed() + delay;
            job->busyAnswer = transfer.finish(code);
            job->transfer.reset();
            m_retrying.push_back(std::move(job));
            return;
        }
    }
    deliver(*job, transfer.finish(code));
}

void FetchPoolEngine::deliver(const Job& job, FetchResult result)
{
    result.milliseconds = job.clock.isValid() ? job.clock.elapsed() : 0;
    m_delivery(job.ticket, result);
}

int FetchPoolEngine::pollTimeoutMs() const
{
    qint64 timeout = kIdlePollMs;
    const qint64 now = m_clock.elapsed();
    for (const JobPtr& job : m_retrying)
        timeout = qMin(timeout, qMax<qint64>(0, job->dueMs - now));
    // libcurl shortens the wait further for its own time-outs.
    return int(timeout);
}
