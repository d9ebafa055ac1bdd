#pragma once

#include "platform/FetchLimits.h"
#include "platform/FetchOptions.h"
#include "platform/FetchResult.h"
#include "platform/WorkerTask.h"
#include "run/AnalysisAhead.h"
#include "run/FetchAhead.h"
#include "run/LinkBackSetup.h"
#include "run/PageJob.h"
#include "run/RobotsLookup.h"
#include "run/RunReport.h"
#include "run/UrlOutcome.h"
#include "settings/RunPreferences.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVector>
#include <chrono>
#include <functional>
#include <optional>

class PatternEngine;
class Settings;
class SortedListModel;

// The batch data run ("Get Data"): visits every URL of the link list in order,
// fetches each page once, checks it and gives each URL its outcome. The
// analysis of one URL is a job on a worker thread (a PageJob); the owner's
// thread only starts the jobs, one at a time, and takes their answers.
// Between two URLs the run goes back to the event loop once, where a stop
// request is seen.
//
// With more than one connection, the pages of the next URLs are fetched while
// the one at work is analysed, and analysed as they arrive. That changes only
// how long the run takes: each URL still gets its verdict in list order, with
// the settings of the moment its turn begins (a page analysed ahead under
// other settings or lists is analysed again), and a page fetched ahead is used
// only if its list entry is still the same at its place when that turn comes;
// otherwise the entry there is fetched anew.
//
// The run says what happens as typed events (started, URL begun, URL done,
// pages waiting, stop asked for, ended). It shows nothing itself: RunTableFeed
// turns the events into the table's rows and the texts the "4. Data" area and
// the headless command show, RunJournalFeed into the run journal.
class BatchRun : public QObject
{
    Q_OBJECT

public:
    // How long the analysis of one page may take before it is abandoned.
    static constexpr std::chrono::milliseconds DefaultAnalysisTimeLimit{30000};

    // A run begins: over the `count` URLs the list held then, from list place
    // `first` (1, or later for a resumed run). A resumed run goes on with the
    // counters where they stood (processed() and added()) and the rows it
    // made before; a fresh one starts from nothing.
    struct Start
    {
        bool fresh = true;
        int count = 0;
        int first = 1;
    };
    // A URL's turn is over: its outcome, the row it made if it was accepted
    // (numbered: the run's n-th row is number n), the page as fetched (empty
    // after a failed fetch), and the number of list entries at this moment,
    // against which the bar measures how far the run has come.
    struct UrlDone
    {
        UrlOutcome outcome;
        std::optional<ResultRow> row;
        QString page;
        int listCount = 0;
    };
    enum class Ending
    {
        Done,   // every URL got its turn
        Stopped // a stop request was seen before the next URL
    };

    BatchRun(Settings& settings, SortedListModel& links, SortedListModel& badWords,
             SortedListModel& validStatus, const FetchOptions& fetchOptions = {}, QObject* parent = nullptr);
    // The same over a fixed list of URLs, visited in the order given (the
    // headless command keeps the order of its links file).
    BatchRun(Settings& settings, const QStringList& links, SortedListModel& badWords,
             SortedListModel& validStatus, const FetchOptions& fetchOptions = {}, QObject* parent = nullptr);
    ~BatchRun() override;

    // "Get Data": clears the stop request and starts the run. Ignored while a
    // run is going (the button is disabled then).
    void start();
    // Goes on with a run that ended before its last URL: the rows it made are
    // already back in the table, and the list holds the run's list again. The
    // run takes up at list place `position` (from 1) with the counters where
    // they stood, so the rows are numbered on and the percentage carries on.
    // outcomes() and report() then begin at `position`.
    void resume(int position, int processed, int rows);
    // Sets the stop request, as closing the "Stop" message box does, and
    // releases a hold. Works the same whether a run is going or not.
    void requestStop();
    // While held (the "Stop" message box is open) the run finishes the URL at
    // work but waits before starting the next one, or before ending.
    void setHeld(bool held);
    // The time limit on the analysis of each page (not on its fetch). A page
    // whose analysis runs past it adds no row; analysisAbandoned() reports it.
    void setAnalysisTimeLimit(std::chrono::milliseconds limit) { m_analysisTimeLimit = limit; }
    // How many pages are fetched at once, in all and per host. 1 in all (the
    // start value): each page is fetched when its turn begins. Takes effect
    // at the next URL.
    void setFetchLimits(const FetchLimits& limits)
    {
        m_fetchAhead.setLimits(limits);
        m_robots.setLimits(limits);
    }
    const FetchLimits& fetchLimits() const { return m_fetchAhead.limits(); }
    // How long a fetch waits for a connection and the first byte of the
    // answer (2-120 s), for the fetches started from now on.
    void setTimeoutSeconds(int seconds);
    int timeoutSeconds() const { return m_fetchOptions.timeoutSeconds(); }
    // Pages of this run waiting on servers that have been silent for a while,
    // and how long until the last of them is given up at the latest.
    int waitingCount() const { return m_fetchAhead.waitingCount(); }
    qint64 waitingLeftMs() const { return m_fetchAhead.waitingLeftMs(); }
    // The user's sites, whose links back each HTML page is proved for (none:
    // no proof), and whether only pages with a followed one get a row. Takes
    // effect at the next start.
    void setLinkBack(const LinkBackSetup& setup) { m_linkBack = setup; }
    const LinkBackSetup& linkBack() const { return m_linkBack; }
    // The limits, the time-out and the link-back setup of the preferences, as
    // the setters above take them.
    void setPreferences(const RunPreferences& preferences)
    {
        setFetchLimits(preferences.limits());
        setTimeoutSeconds(preferences.timeoutSeconds());
        setLinkBack(LinkBackSetup::from(preferences.linkBack()));
    }
    // The robots.txt files fetched in this run, redirects included.
    int robotsFetches() const { return m_robots.fetchCount(); }

    // Where the run is. Idle: no run. Fetching: a URL's turn has begun and its
    // page is on its way. Working: its analysis is on the worker. Yielding:
    // the URL is done and the next step waits for one turn of the event loop.
    // Holding: the "Stop" box is open, and the run waits for it to close
    // before its next URL (or its end).
    enum class State
    {
        Idle,
        Fetching,
        Working,
        Yielding,
        Holding
    };
    State state() const { return m_state; }

    bool isRunning() const { return m_state != State::Idle; }
    bool stopRequested() const { return m_stopRequested; }
    bool isHeld() const { return m_held; }
    // The URLs of the run going on or of the last one: the list's count when
    // it started.
    int urlCount() const { return m_count; }
    int processed() const { return m_processed; }
    int added() const { return m_rows; }
    // How the last run ended; Done before any.
    Ending ending() const { return m_ending; }

    // What became of each URL this run has processed so far, in list order.
    const QVector<UrlOutcome>& outcomes() const { return m_outcomes; }
    // One line per URL of the run's list: the outcomes so far, then the URLs
    // not reached (yet).
    RunReport report() const;

Q_SIGNALS:
    // The events, in the order they come: runningChanged(true) and started;
    // for each URL urlBegun, then urlDone and outcomeAdded; the outcomes of
    // the URLs a stop left out; ended, runningChanged(false) and finished. A
    // stop request and the pages waiting on silent servers may change at any
    // time.
    void started(const BatchRun::Start& start);
    void urlBegun(int index, const QString& url);
    void urlDone(const BatchRun::UrlDone& done);
    void ended(BatchRun::Ending ending);
    void runningChanged(bool running);
    void stopRequestedChanged(bool requested);
    // The run is over and every listener has heard how it ended.
    void finished();
    // A URL of the list got its outcome: after its page was processed, or,
    // for the URLs after a stop, when the run ends.
    void outcomeAdded(const UrlOutcome& outcome);
    // The pages waiting on silent servers changed in number; the last of
    // them is given up within leftMs at the latest.
    void waitingChanged(int count, qint64 leftMs);
    // The analysis of url was abandoned (why says so); the run goes on.
    void analysisAbandoned(const QString& url, const QString& why);

private:
    BatchRun(Settings& settings, std::function<int()> linkCount, std::function<QString(int)> linkAt,
             SortedListModel& badWords, SortedListModel& validStatus, const FetchOptions& fetchOptions,
             QObject* parent);
    void begin(int position, int processed, int rows, bool fresh);
    void beginUrl();
    void refillFetches();
    void onPageArrived(int index);
    void onWaitingChanged(int count);
    void analyse(const FetchResult& page);
    void dropFetchesAhead();
    void onJobFinished();
    void analyseAhead(int index);
    void onRobotsSettled();
    void settleUrl(PageJobResult result);
    void completeUrl(PageJobResult result);
    void finishUrl(const PageJobResult& result, const std::optional<LinkBackVerdict>& linkBack);
    UrlOutcome notReachedAt(int index) const;
    void proceed();
    void yieldThenProceed();
    void endRun(Ending ending);

    Settings& m_settings;
    // The link list as the run reads it: its count and entry i, at the moment of use.
    std::function<int()> m_linkCount;
    std::function<QString(int)> m_linkAt;
    SortedListModel& m_badWords;
    SortedListModel& m_validStatus;
    FetchOptions m_fetchOptions;
    // One job at a time uses it, on the worker's thread; it lives here so
    // that it goes away with the run, not with a pool thread at the
    // program's end.
    std::shared_ptr<PatternEngine> m_patternEngine;
    PageJob m_job; // the URL at work, with the settings of its turn
    // The jobs run on a thread of this run's own, so that the run's end can
    // wait for the job at work, after cancelling it, and for nothing else.
    WorkerTask<PageJobResult> m_jobs{1};
    // The pages of this URL and the next ones, fetched or on their way.
    FetchAhead m_fetchAhead;
    // The pages of the next URLs, analysed while they wait for their turn.
    AnalysisAhead m_analysisAhead;
    LinkBackSetup m_linkBack;
    LinkBackSetup m_runLinkBack; // the setup of the run going on, taken at its start
    // Each host's robots.txt goes out with the host's first page, not at that
    // page's turn: a host whose file is slow holds up its own pages only.
    RobotsLookup m_robots;
    // A proved page whose host's robots.txt is still on its way.
    std::optional<PageJobResult> m_awaitingRobots;

    QVector<UrlOutcome> m_outcomes;

    State m_state = State::Idle;
    bool m_stopRequested = false;
    bool m_held = false;
    int m_count = 0;     // the URLs of the run: the list's count when it started
    int m_index = 0;     // the place in the list of the URL at work, 1 .. m_count
    int m_first = 1;     // the place this run began at: 1, or later for a resumed run
    int m_rows = 0;      // the rows the run has added, the last one being table row m_rows
    int m_processed = 0; // the URLs done
    Ending m_ending = Ending::Done;
    QString m_url;
    std::chrono::milliseconds m_analysisTimeLimit = DefaultAnalysisTimeLimit;
};
