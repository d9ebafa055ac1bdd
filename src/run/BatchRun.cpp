#include "run/BatchRun.h"

#include "filters/SortedListModel.h"
#include "pattern/PatternEngine.h"
#include "platform/LogCategories.h"
#include "settings/Settings.h"

#include <QTimer>

BatchRun::BatchRun(Settings& settings, SortedListModel& links, SortedListModel& badWords,
                   SortedListModel& validStatus, const FetchOptions& fetchOptions, QObject* parent)
    : BatchRun(
          settings, [&links] { return links.count(); }, [&links](int i) { return links.at(i); }, badWords,
          validStatus, fetchOptions, parent)
{
    // The pages fetched ahead are checked against their entries only after
    // the list changed, not at every page.
    auto changed = [this] { m_fetchAhead.listChanged(); };
    connect(&links, &QAbstractItemModel::rowsInserted, this, changed);
    connect(&links, &QAbstractItemModel::rowsRemoved, this, changed);
    connect(&links, &QAbstractItemModel::rowsMoved, this, changed);
    connect(&links, &QAbstractItemModel::modelReset, this, changed);
    connect(&links, &QAbstractItemModel::layoutChanged, this, changed);
    connect(&links, &QAbstractItemModel::dataChanged, this, changed);
}

BatchRun::BatchRun(Settings& settings, const QStringList& links, SortedListModel& badWords,
                   SortedListModel& validStatus, const FetchOptions& fetchOptions, QObject* parent)
    : BatchRun(
          settings, [links] { return int(links.size()); }, [links](int i) { return links.value(i); },
          badWords, validStatus, fetchOptions, parent)
{}

BatchRun::BatchRun(Settings& settings, std::function<int()> linkCount, std::function<QString(int)> linkAt,
                   SortedListModel& badWords, SortedListModel& validStatus, const FetchOptions& fetchOptions,
                   QObject* parent)
    : QObject(parent), m_settings(settings), m_linkCount(std::move(linkCount)), m_linkAt(std::move(linkAt)),
      m_badWords(badWords), m_validStatus(validStatus), m_fetchOptions(fetchOptions),
      m_fetchAhead(fetchOptions, m_linkCount, m_linkAt), m_robots(fetchOptions)
{
    m_patternEngine = std::make_shared<PatternEngine>();
    m_jobs.onFinished(this, &BatchRun::onJobFinished);
    connect(&m_fetchAhead, &FetchAhead::arrived, this, &BatchRun::onPageArrived);
    connect(&m_fetchAhead, &FetchAhead::waitingChanged, this, &BatchRun::onWaitingChanged);
    connect(&m_robots, &RobotsLookup::settled, this, &BatchRun::onRobotsSettled);
    connect(&m_fetchAhead, &FetchAhead::started, &m_robots, &RobotsLookup::want);
}

void BatchRun::setTimeoutSeconds(int seconds)
{
    if (seconds == m_fetchOptions.timeoutSeconds())
        return;
    m_fetchOptions.setTimeoutSeconds(seconds);
    m_fetchAhead.setTimeoutSeconds(seconds);
    m_robots.setTimeoutSeconds(seconds);
}

void BatchRun::onWaitingChanged(int count)
{
    Q_EMIT waitingChanged(count, m_fetchAhead.waitingLeftMs());
}

BatchRun::~BatchRun()
{
    // The job at work gives up its analysis at once; m_jobs then waits for it,
    // and nothing of it reaches this object.
    m_jobs.cancel();
    m_analysisAhead.dropAllBut(0);
    m_fetchAhead.disconnect(this);
    m_fetchAhead.end();
}

RunReport BatchRun::report() const
{
    RunReport report;
    for (const UrlOutcome& outcome : m_outcomes)
        report.append(outcome.reportLine());
    for (int i = m_first + int(m_outcomes.size()); i <= m_count; ++i)
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
    begin(1, 0, 0, true);
}

void BatchRun::resume(int position, int processed, int rows)
{
    begin(qMax(1, position), qMax(0, processed), qMax(0, rows), false);
}

void BatchRun::begin(int position, int processed, int rows, bool fresh)
{
    if (m_state != State::Idle)
        return;
    // A stop asked for before this run does not end it.
    m_stopRequested = false;
    Q_EMIT stopRequestedChanged(false);
    m_state = State::Yielding;
    m_processed = processed;
    m_rows = rows;
    m_count = m_linkCount();
    m_index = position;
    m_first = position;
    m_outcomes.clear();
    m_runLinkBack = m_linkBack;
    m_robots.reset(m_runLinkBack.isOn());
    m_awaitingRobots.reset();
    m_fetchAhead.begin(m_count);
    Q_EMIT runningChanged(true);
    Q_EMIT started(Start{fresh, m_count, m_first});
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
    dropFetchesAhead();
    if (m_state == State::Fetching)
        m_fetchAhead.giveUpRetries(m_index);
    setHeld(false);
    // Nor is the robots.txt the page at work waits for: the page is judged
    // without it, as one whose host's robots.txt is not known.
    if (m_state == State::Working && m_awaitingRobots) {
        PageJobResult result = std::move(*m_awaitingRobots);
        m_awaitingRobots.reset();
        completeUrl(std::move(result));
    }
}

void BatchRun::setHeld(bool held)
{
    m_held = held;
    // The "Stop" box is open: its OK will stop the run, so the pages ahead
    // are let go at once. Should the run go on after all, its next URL
    // fetches them again.
    if (held)
        dropFetchesAhead();
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
        endRun(Ending::Done); // every URL visited
        return;
    }
    beginUrl();
}

void BatchRun::beginUrl()
{
    // A stop request is seen here, between two URLs, never in the middle of one.
    if (m_stopRequested) {
        endRun(Ending::Stopped);
        return;
    }
    // The entry is read now: the list may have changed while the run waited.
    m_url = m_linkAt(m_index - 1);
    Q_EMIT urlBegun(m_index, m_url);

    // The settings and the lists as they are now, when this URL's turn
    // begins; the job works on these copies.
    m_job = PageJob::withCurrentSettings(m_url, m_settings, m_badWords, m_validStatus, m_fetchOptions,
                                         m_analysisTimeLimit);
    m_job.engine = m_patternEngine;
    m_job.linkBack = m_runLinkBack;
    m_state = State::Fetching;
    refillFetches();
    if (const std::optional<FetchResult> page = m_fetchAhead.take(m_index))
        analyse(*page);
}

void BatchRun::refillFetches()
{
    // The page at work is wanted until its analysis has begun; none after
    // it once a stop is asked for or the "Stop" box is open.
    m_fetchAhead.refill(m_index, m_url, m_state == State::Fetching, !m_stopRequested && !m_held);
}

void BatchRun::onPageArrived(int index)
{
    if (m_state == State::Fetching && index == m_index) {
        if (const std::optional<FetchResult> page = m_fetchAhead.take(index))
            analyse(*page);
    }
    // A site's share of connections is free again: an entry further down may
    // go now.
    else {
        if (index > m_index && isRunning() && !m_stopRequested && !m_held)
            analyseAhead(index);
        if (m_state == State::Fetching || m_state == State::Working)
            refillFetches();
    }
}

// The page of a URL after the one at work, with the settings and the lists as
// they are now. Should they differ when its turn comes, it is analysed again.
void BatchRun::analyseAhead(int index)
{
    const FetchResult* page = m_fetchAhead.peek(index);
    if (!page)
        return;
    PageJob job = PageJob::withCurrentSettings(m_fetchAhead.urlOf(index), m_settings, m_badWords,
                                               m_validStatus, m_fetchOptions, m_analysisTimeLimit);
    job.linkBack = m_runLinkBack;
    job.page = *page;
    m_analysisAhead.start(index, std::move(job));
}

void BatchRun::analyse(const FetchResult& page)
{
    PageJob job = m_job;
    job.page = page;
    // The redirects may have led to another host, whose robots.txt goes out now.
    if (page.ok())
        m_robots.want(LinkBackSetup::pageUrl(page));
    m_state = State::Working;
    if (std::optional<PageJobResult> done = m_analysisAhead.take(m_index, job)) {
        settleUrl(std::move(*done));
        return;
    }
    const WorkerTask<PageJobResult>::CancelFlag flag = job.cancelled;
    m_jobs.start([job = std::move(job)] { return job.run(); }, flag);
}

// Lets go of every page fetched or being fetched for a URL after the one at
// work (between two URLs: of all of them).
void BatchRun::dropFetchesAhead()
{
    const bool atWork = m_state == State::Fetching || m_state == State::Working;
    m_fetchAhead.dropAllBut(atWork ? m_index : 0);
    m_analysisAhead.dropAllBut(0);
}

void BatchRun::onJobFinished()
{
    if (m_state != State::Working)
        return;
    settleUrl(m_jobs.result());
}

// The verdict needs the host's robots.txt; the URL is done once it is in.
void BatchRun::settleUrl(PageJobResult result)
{
    if (result.proof && !m_stopRequested && !m_robots.isSettled(LinkBackSetup::pageUrl(result.fetch))) {
        m_awaitingRobots = std::move(result);
        return;
    }
    completeUrl(std::move(result));
}

void BatchRun::onRobotsSettled()
{
    if (m_state != State::Working || !m_awaitingRobots ||
        !m_robots.isSettled(LinkBackSetup::pageUrl(m_awaitingRobots->fetch)))
        return;
    PageJobResult result = std::move(*m_awaitingRobots);
    m_awaitingRobots.reset();
    completeUrl(std::move(result));
}

// The verdict on the page's link back is decided here, on the owner's
// thread, where the robots.txt files are.
void BatchRun::completeUrl(PageJobResult result)
{
    const LinkBackSetup::Decision decision =
        m_runLinkBack.weigh(result.proof, result.row.has_value(),
                            m_robots.ruling(LinkBackSetup::pageUrl(result.fetch), m_runLinkBack.robotsAgent));
    if (decision.refusal) {
        result.row.reset();
        result.verdict.refusal = *decision.refusal;
    }
    finishUrl(result, decision.verdict);
}

void BatchRun::finishUrl(const PageJobResult& result, const std::optional<LinkBackVerdict>& linkBack)
{
    ++m_processed;
    // An accepted page becomes the next row.
    if (!result.abandoned && !result.row)
        qCDebug(lcAnalysis, "no row for %s", qUtf8Printable(m_url));
    UrlDone done;
    if (result.row) {
        ++m_rows;
        done.row = *result.row;
        done.row->number = m_rows;
    }
    if (result.abandoned) {
        Q_EMIT analysisAbandoned(m_url, QStringLiteral("the analysis of the page took longer than %1 ms")
                                            .arg(m_analysisTimeLimit.count()));
    }
    // What a half-done analysis says about the page counts for nothing.
    PageVerdict verdict = result.verdict;
    if (result.abandoned)
        verdict.refusal = PageRefusal{PageRefusal::Kind::AnalysisAbandoned, QString()};
    m_outcomes.append(UrlOutcome::processed(m_index, m_url, result.fetch, verdict, done.row, linkBack));
    done.outcome = m_outcomes.constLast();
    done.page = result.fetch.body; // empty after a failed fetch
    // The bar's divisor is the list's count now; entries removed while the
    // run waited would otherwise push it past its end or divide by zero.
    done.listCount = m_linkCount();
    Q_EMIT urlDone(done);
    Q_EMIT outcomeAdded(m_outcomes.constLast());

    ++m_index;
    // The one yield per URL: pending input, a click on "Stop" included, is
    // handled before the next URL begins.
    yieldThenProceed();
}

void BatchRun::endRun(Ending ending)
{
    m_fetchAhead.end();
    m_analysisAhead.dropAllBut(0);
    // The URLs after a stop get their outcome too: not reached.
    for (int i = m_first + int(m_outcomes.size()); i <= m_count; ++i) {
        m_outcomes.append(notReachedAt(i));
        Q_EMIT outcomeAdded(m_outcomes.constLast());
    }
    m_state = State::Idle;
    m_ending = ending;
    Q_EMIT ended(ending);
    Q_EMIT runningChanged(false);
    Q_EMIT finished();
}
