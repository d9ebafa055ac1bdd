#include "platform/FetchSiteLedger.h"

#include <QRegularExpression>
#include <algorithm>
#include <optional>

namespace {

// libcurl puts the time into some messages ("... after 3 ms: ..."); the
// failure that is quoted for every later page of a site reads the same way
// each time without it.
QString withoutElapsed(QString error)
{
    static const QRegularExpression elapsed(QStringLiteral(" after \\d+ ms(?=:|$)"));
    return error.remove(elapsed);
}

} // namespace

void FetchSiteLedger::add(FetchJob* job)
{
    m_sites[job->site].order.push_back(Entry{job, FetchJob::Answer::Other, QString()});
}

void FetchSiteLedger::remove(const FetchJob* job)
{
    const auto it = m_sites.find(job->site);
    if (it == m_sites.end())
        return;
    std::deque<Entry>& order = it->order;
    order.erase(std::remove_if(order.begin(), order.end(), [job](const Entry& e) { return e.job == job; }),
                order.end());
}

void FetchSiteLedger::removeAll()
{
    for (Site& site : m_sites) {
        for (const Entry& e : site.order) {
            if (!e.job)
                count(site, e.answer, e.error);
        }
        site.order.clear();
    }
}

void FetchSiteLedger::forget()
{
    for (Site& site : m_sites) {
        site.silentInARow = 0;
        site.firstSilence.clear();
        site.answered = false;
    }
}

void FetchSiteLedger::count(Site& site, FetchJob::Answer answer, const QString& error)
{
    switch (answer) {
    case FetchJob::Answer::Answered:
        site.answered = true;
        site.silentInARow = 0;
        break;
    case FetchJob::Answer::Silent:
        if (site.silentInARow++ == 0)
            site.firstSilence = withoutElapsed(error);
        break;
    case FetchJob::Answer::Other:
        site.silentInARow = 0;
        break;
    }
}

std::vector<FetchSiteLedger::Step> FetchSiteLedger::review(const QString& key)
{
    std::vector<Step> steps;
    const auto it = m_sites.find(key);
    if (it == m_sites.end())
        return steps;
    Site& site = *it;

    // From the first page on, as far as the results are known: each counts in
    // the site's record, which then rules the next.
    while (!site.order.empty()) {
        Entry& front = site.order.front();
        if (FetchJob* job = front.job) {
            if (site.silentInARow >= kSilentInARow) {
                steps.push_back({Step::Kind::Refuse, job,
                                 QStringLiteral("host did not answer earlier in this run (first failure: %1)")
                                     .arg(site.firstSilence)});
                site.order.pop_front();
                continue;
            }
            if (job->state == FetchJob::State::Undecided && !site.answered) {
                // The site never answered: the time-out stands.
                job->result = std::move(job->standing);
                job->standing.reset();
                job->state = FetchJob::State::Settled;
            }
            if (job->state != FetchJob::State::Settled)
                break;
            count(site, job->answer, job->result->error);
            steps.push_back({Step::Kind::Deliver, job, QString()});
        } else {
            count(site, front.answer, front.error);
        }
        site.order.pop_front();
    }

    // Further down, what no earlier page can change any more: a result that
    // cannot come to fail at once, even if every page before it still under
    // way were silent, goes now; a time-out on a site that answered an
    // earlier page is asked again now.
    int worstSilence = site.silentInARow;
    bool answeredBefore = site.answered;
    for (Entry& e : site.order) {
        std::optional<FetchJob::Answer> known;
        if (FetchJob* job = e.job) {
            if (job->state == FetchJob::State::Undecided && answeredBefore) {
                steps.push_back({Step::Kind::AskAgain, job, QString()});
            } else if (job->state == FetchJob::State::Settled) {
                known = job->answer;
                if (worstSilence < kSilentInARow) {
                    e.answer = job->answer;
                    e.error = job->result->error;
                    e.job = nullptr;
                    steps.push_back({Step::Kind::Deliver, job, QString()});
                }
            }
        } else {
            known = e.answer;
        }
        if (known == FetchJob::Answer::Answered) {
            answeredBefore = true;
            worstSilence = 0;
        } else if (known == FetchJob::Answer::Other) {
            worstSilence = 0;
        } else {
            ++worstSilence;
        }
    }
    return steps;
}
