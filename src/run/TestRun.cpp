#include "run/TestRun.h"

#include "analysis/PageAnalysis.h"
#include "filters/SortedListModel.h"
#include "linkback/RobotsCache.h"
#include "linkback/RobotsTxt.h"
#include "platform/PageFetcher.h"
#include "run/PageJob.h"
#include "settings/Settings.h"

TestRun::TestRun(Settings& settings, SortedListModel& badWords, SortedListModel& validStatus,
                 const FetchOptions& fetchOptions, QObject* parent)
    : QObject(parent), m_settings(settings), m_badWords(badWords), m_validStatus(validStatus),
      m_fetchOptions(fetchOptions)
{
    m_jobs.onFinished(this, &TestRun::onJobFinished);
}

TestRun::~TestRun() = default;

void TestRun::start(const QString& url, const QString& previousEmail)
{
    const bool wasRunning = m_running;
    // The test in flight is dropped: its fetch stops, its analysis gives up,
    // and its answer is never shown.
    m_jobs.cancel();
    // The settings and lists as they are when the test begins.
    PageJob job = PageJob::withCurrentSettings(url, m_settings, m_badWords, m_validStatus, m_fetchOptions,
                                               m_analysisTimeLimit);
    job.linkBack = m_linkBack;
    m_running = true;
    const WorkerTask<TestRunResult>::CancelFlag flag = job.cancelled;
    m_jobs.start([job = std::move(job), previousEmail] { return runJob(job, previousEmail); }, flag);
    if (!wasRunning)
        Q_EMIT runningChanged(true);
}

void TestRun::onJobFinished()
{
    // A superseded test's answer may still be on its way; only the newest
    // test's own ends the run.
    if (!m_running || !m_jobs.isFinished())
        return;
    m_running = false;
    const TestRunResult texts = m_jobs.result();
    Q_EMIT runningChanged(false);
    Q_EMIT finished(texts);
}

TestRunResult TestRun::runJob(const PageJob& job, const QString& previousEmail)
{
    const FetchResult fetched = job.fetch();
    TestRunResult texts;
    const bool abandoned = job.withinLimits([&] {
        texts = analyse(job.settings, job.url, fetched, job.badWords, job.validStatus, previousEmail);
    });
    if (abandoned) {
        // Nothing worked out under a passed deadline can be trusted.
        texts.verdict = QLatin1String(AnalysisAbandoned);
        texts.title.clear();
        texts.email.clear();
        texts.description.clear();
        texts.testDomain.clear();
    }
    // The checks' sentences stay as they are; the proof is one more line.
    const QString linkBack = abandoned ? QString() : linkBackLine(job, fetched);
    if (!linkBack.isEmpty())
        texts.verdict += u'\n' + linkBack;
    return texts;
}

QString TestRun::linkBackLine(const PageJob& job, const FetchResult& fetched)
{
    const std::shared_ptr<std::atomic<bool>> flag = job.cancelled;
    const auto cancelled = [flag] { return flag->load(); };
    const std::optional<LinkProofResult> proof = job.linkBack.prove(fetched, cancelled);
    if (!proof)
        return QString();
    // One page, one host: its robots.txt is fetched right here, on the
    // worker, following the redirects the way a run's cache does.
    const QString page = LinkBackSetup::pageUrl(fetched);
    RobotsCache robots;
    FetchOptions options = job.fetchOptions;
    options.maxRedirects = RobotsCache::MaxRedirects;
    options.maxBodyBytes = RobotsTxt::MaxBytes + 1;
    options.keepBodyBytes = true;
    QString next = robots.needsFetch(page) ? RobotsCache::robotsUrl(WebUrl::parse(page)) : QString();
    while (!next.isEmpty() && !cancelled())
        next = robots.answer(page, RobotsAnswer::fromFetch(PageFetcher::fetch(next, options, cancelled)));
    return LinkBackVerdict::decide(*proof, robots.ruling(page, job.linkBack.robotsAgent)).testRunLine();
}

TestRunResult TestRun::analyse(const SettingsSnapshot& settings, const QString& url, const FetchResult& fetch,
                               const QStringList& badWords, const QStringList& validStatus,
                               const QString& previousEmail)
{
    TestRunResult r;
    r.url = url;
    r.fetched = fetch.ok();
    r.fetchError = fetch.error;
    // A failed fetch leaves source and headers empty, never a previous page's.
    r.source = fetch.ok() ? fetch.body : QString();
    r.headers = fetch.ok() ? fetch.header : QString();

    // The batch run's analysis, in the test's style; each finding becomes a
    // sentence instead of a refusal.
    const AnalysisStyle style = AnalysisStyle::configurationTest();
    const PageVerdict verdict = AnalysePage(settings, r.source, r.headers, badWords, validStatus, style, url);
    for (int i = 0; i < validStatus.size(); ++i)
        r.verdict +=
            validStatus[i] + QLatin1String(verdict.statusMatches.value(i) ? StatusFound : StatusNotFound);
    // Content type, then the reciprocal link; each only when switched on.
    if (settings.isOn(Key::ContentTypeCheck))
        r.verdict += QLatin1String(verdict.contentTypeOk ? ContentTypeFound : ContentTypeNotFound);
    if (settings.isOn(Key::UseRecip))
        r.verdict += QLatin1String(verdict.recipFound ? RecipFound : RecipNotFound);
    // One sentence per bad word that refuses the field.
    for (int i = 0; i < verdict.titleBadWords; ++i)
        r.verdict += QLatin1String(TitleBadWord);
    for (int i = 0; i < verdict.descriptionBadWords; ++i)
        r.verdict += QLatin1String(DescriptionBadWord);

    // The test URL's domain stands in for the row's domain in the fallbacks
    // and the e-mail rule; the e-mail box keeps its text when no e-mail
    // option is selected.
    const ResultRow row = FillRowCells(settings, verdict, url, r.source, style, previousEmail);
    r.testDomain = RowUrlDomain(settings, url);
    r.title = row.title;
    r.email = row.email;
    r.description = row.description;
    return r;
}
