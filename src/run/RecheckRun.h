#pragma once

#include "linkback/LinkBackChange.h"
#include "linkback/LinkBackVerdict.h"
#include "platform/FetchPool.h"
#include "platform/SaveOutcome.h"
#include "run/LinkBackSetup.h"
#include "run/RobotsLookup.h"

#include <QFutureWatcher>
#include <QHash>
#include <QObject>
#include <QStringList>
#include <QThreadPool>
#include <QVector>
#include <memory>
#include <optional>

class RunJournal;
class RunStore;

// What a re-check found for one partner's page.
struct RecheckLine
{
    int index = 0; // place in the list, from 1
    QString url;
    LinkBackCheck today;
    QString evidence;                      // the deciding link's markup
    QString statusLine;                    // "" without a response
    QString error;                         // why no response arrived
    std::optional<LinkBackCheck> previous; // the last check that read the page
    qint64 previousCheckedAt = 0;          // ms since 1970 UTC
    LinkBackChange change = LinkBackChange::Unreachable;
    int attempts = 0;
};

// "Recheck links back": fetches each partner's page again, proves its link
// back to the user's sites and tells what changed since the last check the
// run store holds that read the page (LinkBackChanges). A page that seems to
// have lost its link, or gives no answer, is fetched once more before that is
// said. It changes no row and no file; its own checks go into the run store
// as a run of their own, so that the next re-check has something to compare
// with.
//
// Every page is fetched at once up to the connection limits, its proof worked
// out on a worker thread and its verdict decided here, once its host's
// robots.txt is in.
class RecheckRun : public QObject
{
    Q_OBJECT

public:
    // The run store's record of a re-check says so in its context.
    static constexpr char StoreContext[] = "recheck";
    // How many checks that did not read a page are passed over to find the
    // last one that did: years of monthly re-checks.
    static constexpr int MaxChecksBack = 36;

    // store may be null or unavailable: then nothing is compared or kept.
    RecheckRun(const QStringList& urls, const LinkBackSetup& setup, RunStore* store,
               const FetchOptions& options = {}, QObject* parent = nullptr);
    ~RecheckRun() override;

    void setFetchLimits(const FetchLimits& limits);
    void start();
    bool isRunning() const { return m_running; }
    int count() const { return int(m_lines.size()); }
    int done() const { return m_done; }

    // In list order.
    const QVector<RecheckLine>& lines() const { return m_lines; }
    // The changes first, each group in list order.
    QVector<RecheckLine> changesFirst() const;
    // "212 partners: 198 kept, 6 lost, 2 now nofollow, 5 gone".
    QString summary() const;
    // Some page had a link into the sites at its last check and has none now.
    bool anyLost() const;

    // The report for scripts: one CSV line per URL in list order, after the
    // header url,change,link_back,previous_link_back,previous_checked,
    // final_url,status_line,attempts,link_back_evidence.
    QByteArray reportCsv() const;
    SaveOutcome saveReport(const QString& path) const;

Q_SIGNALS:
    void progressed(int done, int count);
    void finished();

private:
    struct Pending
    {
        FetchResult fetch;
        std::optional<LinkProofResult> proof;
        bool proving = false;
    };

    void findPrevious(RecheckLine& line) const;
    void fetch(int i);
    void onFetched(quint64 id, const FetchResult& result);
    void onProved(int i, const LinkProofResult& proof);
    void onRobotsSettled();
    void tryDecide(int i);
    void complete(int i, const LinkBackVerdict& verdict, const Pending& page);
    void journal(const RecheckLine& line, const LinkBackVerdict& verdict, const Pending& page);

    LinkBackSetup m_setup;
    RunStore* m_store;
    FetchPool m_pool;
    RobotsLookup m_robots;
    QThreadPool m_provers;
    QVector<RecheckLine> m_lines;
    QHash<int, Pending> m_pending; // fetched, waiting for the proof or the robots.txt
    std::unique_ptr<RunJournal> m_journal;
    std::shared_ptr<std::atomic<bool>> m_cancelled = std::make_shared<std::atomic<bool>>(false);
    int m_done = 0;
    bool m_running = false;
};
