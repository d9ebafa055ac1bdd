#pragma once

#include "analysis/PageAnalysis.h"
#include "platform/FetchOptions.h"
#include "platform/FetchResult.h"
#include "results/ResultRow.h"
#include "run/LinkBackSetup.h"
#include "settings/SettingsSnapshot.h"

#include <QString>
#include <QStringList>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class PatternEngine;
class Settings;
class SortedListModel;

// What the batch run gets back for one URL.
struct PageJobResult
{
    FetchResult fetch;            // the page text and header block, or why the fetch failed
    PageVerdict verdict;          // the checks and the title and description rules
    std::optional<ResultRow> row; // the row's fields (number 0) when the page is accepted
    bool abandoned = false;       // the analysis ran past its time limit or was cancelled
    std::optional<LinkProofResult> proof; // the links to the user's sites, when any site is set
};

// The fetch and the analysis of one URL, as one piece of work for a worker
// thread. Everything it reads is held by value and taken when the job is made,
// at the moment this URL's turn begins, so nothing the window's thread changes
// afterwards can reach a page halfway through.
class PageJob
{
public:
    QString url;
    SettingsSnapshot settings;
    QStringList badWords;
    QStringList validStatus;
    FetchOptions fetchOptions;
    std::chrono::milliseconds timeLimit{30000};
    // Set by the owner when it no longer wants the answer: the fetch stops,
    // and the analysis gives up as if its time had run out.
    std::shared_ptr<std::atomic<bool>> cancelled = std::make_shared<std::atomic<bool>>(false);
    // The owner's engine, which keeps the compiled patterns from one page to
    // the next; it must not serve two jobs at once. Without one the job makes
    // its own.
    std::shared_ptr<PatternEngine> engine;
    // The page when it was fetched already (the batch run fetches ahead of
    // its work); without one, run() fetches it first.
    std::optional<FetchResult> page;
    // The user's sites: with any, the page's links to them are proved too.
    LinkBackSetup linkBack;

    // The job for url with copies of the settings and lists as they are now,
    // at the moment its turn begins.
    static PageJob withCurrentSettings(const QString& url, const Settings& settings,
                                       const SortedListModel& badWords, const SortedListModel& validStatus,
                                       const FetchOptions& fetchOptions, std::chrono::milliseconds timeLimit);

    // Fetches the page (unless it is given) and analyses it on the calling
    // thread, under a deadline installed for that thread.
    PageJobResult run() const;
    // The fetch alone, stopping at the flag.
    FetchResult fetch() const;
    // Runs work (an analysis of the page) on the calling thread, under this
    // job's deadline and with its pattern engine (or one of its own, gone
    // when the work ends). True when the deadline passed, or the job was
    // cancelled, meanwhile: nothing work found can then be trusted.
    bool withinLimits(const std::function<void()>& work) const;
};
