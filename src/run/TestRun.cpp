#include "run/TestRun.h"

#include "analysis/AcceptanceChecks.h"
#include "analysis/FieldRules.h"
#include "analysis/Pattern.h"
#include "filters/SortedListModel.h"
#include "run/PageJob.h"
#include "settings/Settings.h"

#include <QtConcurrent/QtConcurrentRun>

TestRun::TestRun(Settings& settings, SortedListModel& badWords, SortedListModel& validStatus,
                 const FetchOptions& fetchOptions, QObject* parent)
    : QObject(parent), m_settings(settings), m_badWords(badWords), m_validStatus(validStatus),
      m_fetchOptions(fetchOptions)
{
    connect(&m_watcher, &QFutureWatcherBase::finished, this, &TestRun::onJobFinished);
}

TestRun::~TestRun()
{
    if (m_cancelJob)
        m_cancelJob->store(true);
    m_watcher.disconnect(this);
    m_pool.waitForDone();
}

void TestRun::start(const QString& url, const QString& previousEmail)
{
    const bool wasRunning = m_running;
    // The test in flight is dropped: its fetch stops, its analysis gives up,
    // and its answer is never shown.
    if (m_cancelJob)
        m_cancelJob->store(true);
    // The settings and lists as they are when the test begins.
    PageJob job = PageJob::withCurrentSettings(url, m_settings, m_badWords, m_validStatus, m_fetchOptions,
                                               m_analysisTimeLimit);
    m_cancelJob = job.cancelled;
    m_running = true;
    m_watcher.setFuture(QtConcurrent::run(
        &m_pool, [job = std::move(job), previousEmail] { return runJob(job, previousEmail); }));
    if (!wasRunning)
        Q_EMIT runningChanged(true);
}

void TestRun::onJobFinished()
{
    // A superseded test's answer may still be on its way; only the newest
    // test's own ends the run.
    if (!m_running || !m_watcher.future().isFinished())
        return;
    m_running = false;
    m_cancelJob.reset();
    const TestRunResult texts = m_watcher.result();
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
    return texts;
}

namespace {

// A field found and stripped of its start and end parts, then its fallback
// before the bad words: unlike the batch run, the test shows whether a
// fallback text would itself be caught.
QString FieldBeforeBadWords(const SettingsSnapshot& settings, Field field, const QString& page,
                            const QString& domain)
{
    const QString found = StripStartEnd(settings, field, FindField(settings, field, page));
    return ApplyFallback(settings, field, found, domain);
}

} // namespace

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

    // Accepted status codes: every entry is tested and reported, with no early
    // stop at the first match as in the batch run.
    for (const QString& entry : validStatus)
        r.verdict += entry + QLatin1String(PatternTest(entry, r.headers) ? StatusFound : StatusNotFound);
    // Content type, then the reciprocal link; each only when switched on.
    if (settings.isOn(Key::ContentTypeCheck))
        r.verdict += QLatin1String(ContentTypeIsHtml(r.headers) ? ContentTypeFound : ContentTypeNotFound);
    if (settings.isOn(Key::UseRecip))
        r.verdict += QLatin1String(CheckRecip(settings, r.source) ? RecipFound : RecipNotFound);

    // The test URL's domain stands in for the row's domain in the fallbacks
    // and the e-mail rule.
    r.testDomain = DomainFromUrl(url, settings.text(Key::EmailRegEx3));

    // Title: found, stripped, fallback, bad words, case, replace. Unlike the
    // batch run, line breaks stay and the replace ignores letter case.
    const BadWordsOutcome title =
        ApplyBadWords(settings, Field::Title,
                      FieldBeforeBadWords(settings, Field::Title, r.source, r.testDomain), badWords);
    if (title.refuse) {
        for (int i = 0; i < title.hits; ++i)
            r.verdict += QLatin1String(TitleBadWord);
    }
    r.title = ApplyFieldCase(settings, Field::Title, title.text);
    r.title = ApplyFieldReplace(settings, Field::Title, r.title, false);

    // E-mail: source option, case, replace.
    r.email = ExtractEmail(settings, r.source, r.testDomain).value_or(previousEmail);
    r.email = ApplyFieldCase(settings, Field::Email, r.email);
    r.email = ApplyFieldReplace(settings, Field::Email, r.email, false);

    // Description: as the title.
    const BadWordsOutcome description =
        ApplyBadWords(settings, Field::Description,
                      FieldBeforeBadWords(settings, Field::Description, r.source, r.testDomain), badWords);
    if (description.refuse) {
        for (int i = 0; i < description.hits; ++i)
            r.verdict += QLatin1String(DescriptionBadWord);
    }
    r.description = ApplyFieldCase(settings, Field::Description, description.text);
    r.description = ApplyFieldReplace(settings, Field::Description, r.description, false);
    return r;
}
