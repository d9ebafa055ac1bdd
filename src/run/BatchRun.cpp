#include "run/BatchRun.h"

#include "analysis/PatternEngine.h"
#include "filters/SortedListModel.h"
#include "platform/LogCategories.h"
#include "results/ResultsTable.h"
#include "settings/Settings.h"

#include <QTimer>
#include <QUrl>
#include <QtConcurrent/QtConcurrentRun>

BatchRun::BatchRun(Settings& settings, SortedListModel& links, SortedListModel& badWords,
                   SortedListModel& validStatus, ResultsTable& results, const FetchOptions& fetchOptions,
                   QObject* parent)
    : BatchRun(
          settings, [&links] { return links.count(); }, [&links](int i) { return links.at(i); }, badWords,
          validStatus, results, fetchOptions, parent)
{}

BatchRun::BatchRun(Settings& settings, const QStringList& links, SortedListModel& badWords,
                   SortedListModel& validStatus, ResultsTable& results, const FetchOptions& fetchOptions,
                   QObject* parent)
    : BatchRun(
          settings, [links] { return int(links.size()); }, [links](int i) { return links.value(i); },
          badWords, validStatus, results, fetchOptions, parent)
{}

BatchRun::BatchRun(Settings& settings, std::function<int()> linkCount, std::function<QString(int)> linkAt,
                   SortedListModel& badWords, SortedListModel& validStatus, ResultsTable& results,
                   const FetchOptions& fetchOptions, QObject* parent)
    : QObject(parent), m_settings(settings), m_linkCount(std::move(linkCount)), m_linkAt(std::move(linkAt)),
      m_badWords(badWords), m_validStatus(validStatus), m_results(results), m_fetchOptions(fetchOptions),
      m_fetches(nullptr, fetchOptions, 1, 1)
{
    m_pool.setMaxThreadCount(1);
    m_patternEngine = std::make_shared<PatternEngine>();
    connect(&m_watcher, &QFutureWatcherBase::finished, this, &BatchRun::onJobFinished);
    connect(&m_fetches, &FetchPool::finished, this, &BatchRun::onFetched);
}

BatchRun::~BatchRun()
{
    // The job at work stops its fetch and its analysis at the flag; nothing
    // of it reaches this object once the pool is done.
    if (m_cancelJob)
        m_cancelJob->store(true);
    m_fetches.disconnect(this);
    m_fetches.cancelAll();
    m_watcher.disconnect(this);
    m_pool.waitForDone();
}

QString BatchRun::percentText(double fraction)
{
    // The label shows a single-precision value: a third of the bar reads
    // "33.33333", not the double's "33.3333333333".
    const float percent = float(fraction * 100.0);
    QString text = QString::number(double(percent), 'g', 7);
    text.replace(u'e', u'E');
    return text + u'%';
}

void BatchRun::setConnections(int connections, int connectionsPerHost)
{
    m_connections = qBound(1, connections, FetchPool::kMostConnections);
    m_connectionsPerHost = qBound(1, connectionsPerHost, FetchPool::kMostConnectionsPerHost);
    m_fetches.setLimits(m_connections, m_connectionsPerHost);
}

QString BatchRun::paceText() const
{
    return m_pace.text(isRunning() ? m_count - m_processed : 0);
}

RunReport BatchRun::report() const
{
    RunReport report;
    for (const UrlOutcome& outcome : m_outcomes)
        report.append(outcome.reportLine());
    for (int i = int(m_outcomes.size()) + 1; i <= m_count; ++i)
        report.append(notReachedAt(i).reportLine());
    return report;
}

UrlOutcome BatchRun::notReachedAt(int index) const
{
    // The entry at that place now; none when the list has shrunk below it.
    return UrlOutcome::notReached(index, index <= m_linkCount() ? m_linkAt(index - 1) : QString());
}

void BatchRun::start()
{
    if (m_state != State::Idle)
        return;
    // A stop asked for before this run does not end it.
    m_stopRequested = false;
    Q_EMIT stopRequestedChanged(false);
    // The table stays read-only for the user while rows go in, so the
    // rows the run inserted stay where it put them.
    m_state = State::Yielding;
    m_editableBefore = m_results.isUserEditable();
    m_results.setUserEditable(false);
    Q_EMIT runningChanged(true);
    // Counters, then the table's header and column widths, then the URL count.
    m_processed = 0;
    m_added = 0;
    Q_EMIT addedChanged(0);
    Q_EMIT processedChanged(0);
    m_results.ResetForRun();
    m_count = m_linkCount();
    m_rows = 0;
    m_index = 1;
    m_outcomes.clear();
    m_ahead.clear();
    m_hosts.clear();
    m_pace.start();
    Q_EMIT paceChanged(QString());
    proceed();
}

void BatchRun::requestStop()
{
    m_stopRequested = true;
    Q_EMIT stopRequestedChanged(true);
    // No URL after the one at work gets its turn now: their pages are not
    // waited for. Nor is a busy server's pause before the page at work is
    // asked for again: its busy answer stands, so the stop does not wait
    // for minutes.
    cancelFetchesAhead();
    if (m_state == State::Fetching)
        m_fetches.giveUpRetries(quint64(m_index));
    setHeld(false);
}

void BatchRun::setHeld(bool held)
{
    m_held = held;
    // The "Stop" box is open: its OK will stop the run, so the pages ahead
    // are let go at once. Should the run go on after all, its next URL
    // fetches them again.
    if (held)
        cancelFetchesAhead();
    if (!held && m_state == State::Holding)
        yieldThenProceed();
}

void BatchRun::yieldThenProceed()
{
    m_state = State::Yielding;
    QTimer::singleShot(0, this, &BatchRun::proceed);
}

void BatchRun::proceed()
{
    if (m_state != State::Yielding)
        return;
    // The "Stop" message box is open: the run stays at this step boundary
    // until it closes, as it did behind the modal box.
    if (m_held) {
        m_state = State::Holding;
        return;
    }
    if (m_index > m_count) {
        endRun(DoneStatus); // every URL visited
        return;
    }
    beginUrl();
}

void BatchRun::beginUrl()
{
    // A stop request is seen here, between two URLs, never in the middle of one.
    if (m_stopRequested) {
        endRun(KilledStatus);
        return;
    }
    // The entry is read now: the list may have changed while the run waited.
    m_url = m_linkAt(m_index - 1);
    setStatus(QString::fromLatin1(ProcessingPrefix) + m_url);

    // The settings and the lists as they are now, when this URL's turn
    // begins; the job works on these copies.
    m_job = PageJob::withCurrentSettings(m_url, m_settings, m_badWords, m_validStatus, m_fetchOptions,
                                         m_analysisTimeLimit);
    m_job.engine = m_patternEngine;

    m_state = State::Fetching;
    fetchAhead();
    const auto it = m_ahead.constFind(m_index);
    if (it != m_ahead.constEnd() && it->page)
        analyse(*it->page);
}

// Keeps the page of this URL and those of the next ones fetched or on their
// way: as many on their way as there are connections, and a few times that
// many in all, fetched pages waiting for their turn included (which bounds
// the memory the run holds). Each entry is read from the list as it is now;
// a page fetched for an entry that has changed since is dropped and the
// entry there fetched anew. A harvested list holds the links of one site
// together, and that site takes only its share of connections: an entry
// whose site has its share on the way waits, and one further down the list,
// on another site, is fetched first.
void BatchRun::fetchAhead()
{
    const int listed = m_linkCount();
    for (auto it = m_ahead.begin(); it != m_ahead.end();) {
        const int i = it.key();
        const bool keep = i == m_index
                              ? it->url == m_url
                              : i > m_index && i <= m_count && i <= listed && it->url == m_linkAt(i - 1);
        if (keep) {
            ++it;
        } else {
            m_fetches.cancel(quint64(i));
            it = m_ahead.erase(it);
        }
    }
    // The entry at work is fetched whatever it holds, until its analysis
    // has begun.
    if (m_state == State::Fetching && !m_ahead.contains(m_index)) {
        m_ahead.insert(m_index, AheadPage{m_url, hostOf(m_url), std::nullopt});
        m_fetches.enqueue(quint64(m_index), m_url);
    }
    if (m_stopRequested || m_held)
        return;
    QHash<QString, int> onTheWay; // per site
    int inFlight = 0;
    for (const AheadPage& ahead : std::as_const(m_ahead)) {
        if (!ahead.page) {
            ++onTheWay[ahead.host];
            ++inFlight;
        }
    }
    const int last = qMin(qMin(m_count, listed), m_index + LookAheadPerConnection * m_connections);
    for (int i = m_index + 1;
         i <= last && inFlight < m_connections && m_ahead.size() < HeldPerConnection * m_connections; ++i) {
        if (m_ahead.contains(i))
            continue;
        const QString url = m_linkAt(i - 1);
        const QString host = hostOf(url);
        int& busy = onTheWay[host];
        if (busy >= m_connectionsPerHost)
            continue;
        ++busy;
        ++inFlight;
        m_ahead.insert(i, AheadPage{url, host, std::nullopt});
        m_fetches.enqueue(quint64(i), url);
    }
}

QString BatchRun::hostOf(const QString& url)
{
    const auto known = m_hosts.constFind(url);
    if (known != m_hosts.constEnd())
        return known.value();
    return m_hosts.insert(url, QUrl(url, QUrl::TolerantMode).host().toLower()).value();
}

void BatchRun::onFetched(quint64 index, const FetchResult& page)
{
    const auto it = m_ahead.find(int(index));
    if (it == m_ahead.end())
        return;
    it->page = page;
    if (m_state == State::Fetching && int(index) == m_index)
        analyse(page);
    // A site's share of connections is free again: an entry further down may
    // go now.
    else if (m_state == State::Fetching || m_state == State::Working)
        fetchAhead();
}

void BatchRun::analyse(const FetchResult& page)
{
    PageJob job = m_job;
    job.page = page; // before the entry goes: page may be that entry's
    m_ahead.remove(m_index);
    m_cancelJob = job.cancelled;
    m_state = State::Working;
    m_watcher.setFuture(QtConcurrent::run(&m_pool, [job = std::move(job)] { return job.run(); }));
}

// Lets go of every page fetched or being fetched for a URL after the one at
// work (between two URLs: of all of them).
void BatchRun::cancelFetchesAhead()
{
    const bool atWork = m_state == State::Fetching || m_state == State::Working;
    for (auto it = m_ahead.begin(); it != m_ahead.end();) {
        if (atWork && it.key() == m_index) {
            ++it;
            continue;
        }
        m_fetches.cancel(quint64(it.key()));
        it = m_ahead.erase(it);
    }
}

void BatchRun::onJobFinished()
{
    if (m_state != State::Working)
        return;
    const PageJobResult result = m_watcher.result();
    m_cancelJob.reset();

    // The page goes through the page buffer (empty after a failed fetch).
    m_pageBuffer = result.fetch.body;
    Q_EMIT pageBufferChanged(m_pageBuffer);

    ++m_processed;
    Q_EMIT processedChanged(m_processed);

    // An accepted page becomes the next row.
    if (!result.abandoned && !result.row)
        qCDebug(lcAnalysis, "no row for %s", qUtf8Printable(m_url));
    if (result.row) {
        ++m_rows;
        m_added = m_rows;
        Q_EMIT addedChanged(m_added);
        ResultRow row = *result.row;
        row.number = m_rows;
        m_results.InsertRow(m_rows, row);
    }
    if (result.abandoned) {
        Q_EMIT analysisAbandoned(m_url, QStringLiteral("the analysis of the page took longer than %1 ms")
                                            .arg(m_analysisTimeLimit.count()));
    }
    // What a half-done analysis says about the page counts for nothing.
    PageVerdict verdict = result.verdict;
    if (result.abandoned)
        verdict.refusal = PageRefusal{PageRefusal::Kind::AnalysisAbandoned, QString()};
    m_outcomes.append(UrlOutcome::processed(m_index, m_url, result.fetch, verdict, result.row ? m_rows : 0));
    Q_EMIT outcomeAdded(m_outcomes.constLast());
    m_pace.pageDone();

    // Progress. The divisor is the list's count now; entries removed while the
    // run waited would otherwise push the bar past its end or divide by zero.
    const int now = m_linkCount();
    m_fraction = now > 0 ? qMin(1.0, double(m_index) / double(now)) : 1.0;
    m_progressText = percentText(m_fraction);
    Q_EMIT progressChanged(m_fraction, m_progressText);
    Q_EMIT paceChanged(paceText());

    ++m_index;
    // The one yield per URL: pending input, a click on "Stop" included, is
    // handled before the next URL begins.
    yieldThenProceed();
}

void BatchRun::endRun(const char* status)
{
    m_fetches.cancelAll();
    m_ahead.clear();
    m_hosts.clear();
    // The URLs after a stop get their outcome too: not reached.
    for (int i = int(m_outcomes.size()) + 1; i <= m_count; ++i) {
        m_outcomes.append(notReachedAt(i));
        Q_EMIT outcomeAdded(m_outcomes.constLast());
    }
    setStatus(QString::fromLatin1(status));
    m_state = State::Idle;
    m_results.setUserEditable(m_editableBefore);
    Q_EMIT paceChanged(paceText());
    Q_EMIT runningChanged(false);
    Q_EMIT finished();
}

void BatchRun::setStatus(const QString& text)
{
    m_status = text;
    Q_EMIT statusTextChanged(m_status);
}
