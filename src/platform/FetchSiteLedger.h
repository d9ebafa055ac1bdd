#pragma once

#include "platform/FetchJob.h"

#include <QHash>
#include <QString>
#include <deque>
#include <vector>

// What the fetch pool knows of each site (host and port) during one run, and
// the order in which it lets go of the site's results.
//
// A site that did not answer two pages in a row (no connection, refused, no
// name, or no answer in time) is taken for gone: its later pages fail at once.
// A page that timed out on a site which answered an earlier page is asked
// again once. Both depend on what happened to the site's earlier pages, and
// with several connections those may still be under way, or end in another
// order. So the ledger reads each site's pages in the order they were asked
// for, as a run with one connection would meet them: a result is handed over
// only once no earlier page of its site can make it fail at once any more,
// and a time-out is judged once the earlier pages tell whether the site
// answered. The results are then those of one connection, however many run.
class FetchSiteLedger
{
public:
    static constexpr int kSilentInARow = 2;

    // What the engine is to do with a job now.
    struct Step
    {
        enum class Kind
        {
            Deliver, // its result is final and may go
            Refuse,  // its site is gone: it fails with reason, whatever it is doing
            AskAgain // its time-out is excused: ask again after a pause
        } kind;
        FetchJob* job;
        QString reason; // Refuse only
    };

    // A new job of the site, after every job added before.
    void add(FetchJob* job);
    // A job that was cancelled: as if it had never been asked for.
    void remove(const FetchJob* job);
    // Every job was cancelled. What the results already handed over said
    // about their sites is kept.
    void removeAll();
    // Forgets what the sites did (a new run begins); the jobs stay in order.
    void forget();

    // What may happen now to the jobs of one site, after one of them changed
    // (was added or removed, settled, or timed out). The jobs of Deliver and
    // Refuse steps leave the ledger; an AskAgain job stays, and changes again.
    std::vector<Step> review(const QString& site);

private:
    struct Entry
    {
        FetchJob* job = nullptr; // null once its result went ahead of the earlier ones
        FetchJob::Answer answer = FetchJob::Answer::Other; // once job is null
        QString error;
    };
    struct Site
    {
        std::deque<Entry> order; // not yet counted, in the order asked for
        int silentInARow = 0;
        QString firstSilence; // the failure that began the silence
        bool answered = false;
    };
    void count(Site& site, FetchJob::Answer answer, const QString& error);

    QHash<QString, Site> m_sites;
};
