#include "run/PageJob.h"

#include "filters/SortedListModel.h"
#include "pattern/AnalysisDeadline.h"
#include "pattern/PatternEngine.h"
#include "pattern/PatternEngineScope.h"
#include "platform/PageFetcher.h"
#include "settings/Settings.h"

PageJob PageJob::withCurrentSettings(const QString& url, const Settings& settings,
                                     const SortedListModel& badWords, const SortedListModel& validStatus,
                                     const FetchOptions& fetchOptions, std::chrono::milliseconds timeLimit)
{
    PageJob job;
    job.url = url;
    job.settings = settings.snapshot();
    job.badWords = badWords.entries();
    job.validStatus = validStatus.entries();
    job.fetchOptions = fetchOptions;
    job.timeLimit = timeLimit;
    return job;
}

PageJobResult PageJob::run() const
{
    PageJobResult result;
    result.fetch = page ? *page : fetch();

    // A failed fetch is analysed too: its empty page text and header block
    // meet the checks like any other page.
    // The deadline decides nothing about the page: if it passes, the page's
    // analysis is thrown away and reported, and no row is added.
    std::optional<ResultRow> row;
    result.abandoned = withinLimits([&] {
        result.verdict = AnalysePage(settings, result.fetch.body, result.fetch.header, badWords, validStatus);
        // The cells are worked out before the row goes in (the URL cell holds
        // the URL as it is), so an abandoned page leaves no trace in the table.
        if (result.verdict.accepted() && !AnalysisDeadline::currentPassed())
            row = FillRowCells(settings, result.verdict, url, result.fetch.body);
    });
    if (!result.abandoned)
        result.row = std::move(row);
    // The proof decides nothing here: the owner weighs it once the host's
    // robots.txt is known.
    if (!result.abandoned) {
        const std::shared_ptr<std::atomic<bool>> flag = cancelled;
        result.proof = linkBack.prove(result.fetch, [flag] { return flag->load(); });
    }
    return result;
}

bool PageJob::withinLimits(const std::function<void()>& work) const
{
    AnalysisDeadline deadline(timeLimit, cancelled.get());
    // An engine the pool thread made for itself would be destroyed only when
    // the thread ends, which may be after the program has begun to take
    // itself down: a crash at exit. The job's engine goes with the job.
    std::optional<PatternEngine> ownEngine;
    if (!engine)
        ownEngine.emplace();
    const PatternEngineScope patterns(engine ? *engine : *ownEngine);
    work();
    return deadline.passed();
}

FetchResult PageJob::fetch() const
{
    const std::shared_ptr<std::atomic<bool>> flag = cancelled;
    return PageFetcher::fetch(url, fetchOptions, [flag] { return flag->load(); });
}
