#pragma once

#include "platform/FetchOptions.h"
#include "platform/FetchResult.h"
#include "platform/WorkerTask.h"
#include "run/LinkBackSetup.h"
#include "settings/RunPreferences.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <chrono>

class PageJob;
class Settings;
class SettingsSnapshot;
class SortedListModel;

// The seven texts a configuration test shows: the page source, the header
// block, the verdict sentences, the three fields and the test domain.
struct TestRunResult
{
    QString url;
    QString source;
    QString headers;
    QString verdict;
    QString title;
    QString email;
    QString description;
    QString testDomain;
    bool fetched = false; // false: the fetch failed and source and headers are empty
    QString fetchError;   // why, when it failed
};

// "Test": fetches one URL and works out every check and field rule on it,
// reporting each check as a sentence instead of refusing the page. The fetch
// and the analysis are one job on a worker thread; finished() brings the texts
// back on the owner's thread.
class TestRun : public QObject
{
    Q_OBJECT

public:
    static constexpr const char* StatusFound = " header found! We will try to add this URL to tab 4.";
    static constexpr const char* StatusNotFound =
        " header not found. As per rule, that page wont be added to tab 4.";
    static constexpr const char* ContentTypeFound =
        " Content-Type: text/html found! We will try to add this URL to tab 4.";
    static constexpr const char* ContentTypeNotFound =
        " Content-Type: text/html not found. As per rule, that page wont be added to tab 4.";
    static constexpr const char* RecipFound = "Recip pattern found! We will try to add this URL to tab 4.";
    static constexpr const char* RecipNotFound =
        "No Recip pattern was found. As per rule, that page wont be added to tab 4.";
    static constexpr const char* TitleBadWord =
        "Bad Word(s) found in title. This URL will not be added to tab 4!";
    static constexpr const char* DescriptionBadWord =
        "Bad Word(s) found in description. This URL will not be added to tab 4!";
    static constexpr const char* AnalysisAbandoned =
        "The analysis of this page took too long and was abandoned. This URL will not be added to tab 4!";

    TestRun(Settings& settings, SortedListModel& badWords, SortedListModel& validStatus,
            const FetchOptions& fetchOptions = {}, QObject* parent = nullptr);
    ~TestRun() override;

    // Starts a test of url. previousEmail is what the e-mail box shows now: it
    // stays when no e-mail option is selected. A test still in flight is
    // dropped; only the newest one finishes.
    void start(const QString& url, const QString& previousEmail);
    bool isRunning() const { return m_running; }
    // The time limit on the analysis of the fetched page; past it the verdict
    // says the analysis was abandoned and the field texts stay empty.
    void setAnalysisTimeLimit(std::chrono::milliseconds limit) { m_analysisTimeLimit = limit; }
    // How long the fetch waits for a connection and the first byte of the
    // answer (2-120 s), from the next test on.
    void setTimeoutSeconds(int seconds)
    {
        if (seconds != m_fetchOptions.timeoutSeconds())
            m_fetchOptions.setTimeoutSeconds(seconds);
    }
    // The user's sites: with any, the verdict ends with a line on the page's
    // link back to them. Takes effect at the next start.
    void setLinkBack(const LinkBackSetup& setup) { m_linkBack = setup; }
    // The time-out and the link-back setup of the preferences, from the next test on.
    void setPreferences(const RunPreferences& preferences)
    {
        setTimeoutSeconds(preferences.timeoutSeconds());
        setLinkBack(LinkBackSetup::from(preferences.linkBack()));
    }

    // Every check and field rule on a fetch that has completed, reported as
    // texts, under the settings given.
    static TestRunResult analyse(const SettingsSnapshot& settings, const QString& url,
                                 const FetchResult& fetch, const QStringList& badWords,
                                 const QStringList& validStatus, const QString& previousEmail);
    // The whole test of job's URL on the calling thread: the fetch, then
    // analyse() under the job's time limit.
    static TestRunResult runJob(const PageJob& job, const QString& previousEmail);
    // "Link back: nofollow — <a ...>": the proof of a fetched page, with its
    // host's robots.txt fetched here on the calling thread; empty when the
    // job has no sites or the fetch failed.
    static QString linkBackLine(const PageJob& job, const FetchResult& fetched);

Q_SIGNALS:
    void runningChanged(bool running);
    void finished(const TestRunResult& result);

private:
    void onJobFinished();

    Settings& m_settings;
    SortedListModel& m_badWords;
    SortedListModel& m_validStatus;
    FetchOptions m_fetchOptions;
    bool m_running = false;
    std::chrono::milliseconds m_analysisTimeLimit{30000};
    LinkBackSetup m_linkBack;
    // The tests' jobs, the newest one watched: a test that was superseded may
    // still be ending there, and all of them are waited for at the end.
    WorkerTask<TestRunResult> m_jobs;
};
