#include "render/PageRender.h"

#include "render/RenderPage.h"

#include <QDeadlineTimer>
#include <QVariantMap>
#include <QWebEngineLoadingInfo>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineSettings>
#include <signal.h>

namespace {

constexpr int kTickMs = 50;
// How long the page's own scripts may hold the reader back once it asks for
// the markup. A page busy in an endless loop never answers: its process is
// then killed, and the page comes back without markup.
constexpr int kReadGuardMs = 2000;
// Chromium's code for a navigation that a newer one replaced.
constexpr int kAbortedError = -3;

// The markup, or only its length when it is over the limit (a string of more
// UTF-16 units than the limit has at least as many UTF-8 bytes). The status is
// the Navigation Timing entry's, which engines after Chromium 109 give.
const char kReadScript[] = R"JS(
(function (max) {
    var root = document.documentElement;
    var html = root ? root.outerHTML : '';
    var status = 0;
    try {
        var entry = performance.getEntriesByType('navigation')[0];
        if (entry && typeof entry.responseStatus === 'number')
            status = entry.responseStatus;
    } catch (e) {}
    if (html.length > max)
        return {length: html.length, status: status};
    return {html: html, status: status};
})(%1)
)JS";

qint64 nowMs()
{
    return QDeadlineTimer::current().deadline();
}

QString terminationText(QWebEnginePage::RenderProcessTerminationStatus status, int exitCode)
{
    switch (status) {
    case QWebEnginePage::KilledTerminationStatus:
        return QStringLiteral("the page's process was killed");
    case QWebEnginePage::CrashedTerminationStatus:
        return QStringLiteral("the page's process crashed");
    case QWebEnginePage::AbnormalTerminationStatus:
        return QStringLiteral("the page's process ended abnormally (exit code %1)").arg(exitCode);
    case QWebEnginePage::NormalTerminationStatus:
        break;
    }
    return QStringLiteral("the page's process ended");
}

} // namespace

PageRender::PageRender(const RenderProtocol::Request& request, QObject* parent)
    : QObject(parent), m_request(request)
{
    m_tick.setInterval(kTickMs);
    m_deadline.setSingleShot(true);
    m_readGuard.setSingleShot(true);
    connect(&m_tick, &QTimer::timeout, this, &PageRender::checkSettled);
    connect(&m_deadline, &QTimer::timeout, this, [this] { readMarkup(RenderEnd::TimeLimit); });
    connect(&m_readGuard, &QTimer::timeout, this, [this] {
        const qint64 pid = m_page ? m_page->renderProcessPid() : 0;
        if (pid > 0)
            ::kill(pid_t(pid), SIGKILL);
        finish(RenderEnd::TimeLimit, {}, QStringLiteral("the page's scripts never let it be read"));
    });
}

PageRender::~PageRender()
{
    // The engine calls a pending script's callback as the page goes.
    m_done = true;
    m_page.reset();
    m_profile.reset();
}

void PageRender::start()
{
    m_clock.start();
    // A profile without a storage name lives in memory only; one per request
    // keeps every partner's cookies and storage away from the next.
    m_profile = std::make_unique<QWebEngineProfile>();
    m_profile->setHttpUserAgent(m_request.limits.userAgent);
    m_profile->setUrlRequestInterceptor(&m_watch);
    m_profile->setSpellCheckEnabled(false);
    QWebEngineSettings* settings = m_profile->settings();
    settings->setAttribute(QWebEngineSettings::AutoLoadImages, false);
    settings->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    settings->setAttribute(QWebEngineSettings::PdfViewerEnabled, false);
    settings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    settings->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
    settings->setAttribute(QWebEngineSettings::WebGLEnabled, false);
    settings->setAttribute(QWebEngineSettings::Accelerated2dCanvasEnabled, false);
    settings->setAttribute(QWebEngineSettings::ScrollAnimatorEnabled, false);
    // A mailto: or another program's scheme is never handed to the desktop.
    settings->setUnknownUrlSchemePolicy(QWebEngineSettings::DisallowUnknownUrlSchemes);

    m_page = std::make_unique<RenderPage>(m_profile.get());
    m_page->setAudioMuted(true);
    connect(m_page.get(), &QWebEnginePage::loadingChanged, this, &PageRender::handleLoading);
    connect(m_page.get(), &QWebEnginePage::renderProcessTerminated, this, &PageRender::handleTerminated);

    m_deadline.start(m_request.limits.timeoutMs);
    m_tick.start();
    m_page->load(m_request.url);
}

void PageRender::handleLoading(const QWebEngineLoadingInfo& info)
{
    m_lastLoadEventMs = nowMs();
    switch (info.status()) {
    case QWebEngineLoadingInfo::LoadStartedStatus:
        ++m_loadsStarted;
        // A page without a view is hidden, and a hidden page has its timers
        // slowed to one a second: it would settle before its scripts ran. Set
        // before the load, the engine forgets it with the new document.
        m_page->setVisible(true);
        return;
    case QWebEngineLoadingInfo::LoadSucceededStatus:
    case QWebEngineLoadingInfo::LoadStoppedStatus:
        ++m_loadsEnded;
        return;
    case QWebEngineLoadingInfo::LoadFailedStatus:
        ++m_loadsEnded;
        break;
    }
    // An error answer with a page of its own (a 404 with the site's layout) is
    // shown like any page; the engine only tells its status.
    if (info.errorDomain() == QWebEngineLoadingInfo::HttpStatusCodeDomain) {
        m_status = info.errorCode();
        return;
    }
    if (info.errorCode() == kAbortedError || m_loadsStarted > m_loadsEnded)
        return;
    if (!m_reading)
        finish(RenderEnd::LoadFailed, {}, info.errorString());
}

void PageRender::handleTerminated(QWebEnginePage::RenderProcessTerminationStatus status, int exitCode)
{
    finish(RenderEnd::Crashed, {}, terminationText(status, exitCode));
}

void PageRender::checkSettled()
{
    if (m_reading || m_loadsEnded == 0 || m_loadsStarted > m_loadsEnded)
        return;
    const qint64 lastActivity = qMax(m_lastLoadEventMs, m_watch.lastStartMs());
    if (nowMs() - lastActivity >= m_request.limits.quietMs)
        readMarkup(RenderEnd::Settled);
}

void PageRender::readMarkup(RenderEnd end)
{
    if (m_reading || m_done)
        return;
    m_reading = true;
    m_tick.stop();
    m_deadline.stop();
    m_readGuard.start(kReadGuardMs);
    const QString script = QString::fromLatin1(kReadScript).arg(m_request.limits.maxBytes);
    m_page->runJavaScript(script, QWebEngineScript::ApplicationWorld,
                          [this, end](const QVariant& value) { takeMarkup(end, value); });
}

void PageRender::takeMarkup(RenderEnd end, const QVariant& value)
{
    const QVariantMap answer = value.toMap();
    const int status = answer.value(QStringLiteral("status")).toInt();
    if (status > 0)
        m_status = status;
    if (answer.contains(QStringLiteral("length"))) {
        finish(RenderEnd::TooLarge, {},
               QStringLiteral("the markup holds %1 characters, over the limit of %2 bytes")
                   .arg(answer.value(QStringLiteral("length")).toLongLong())
                   .arg(m_request.limits.maxBytes));
        return;
    }
    const QString html = answer.value(QStringLiteral("html")).toString();
    const qint64 bytes = html.toUtf8().size();
    if (bytes > m_request.limits.maxBytes) {
        finish(RenderEnd::TooLarge, {},
               QStringLiteral("the markup holds %1 bytes, over the limit of %2 bytes")
                   .arg(bytes)
                   .arg(m_request.limits.maxBytes));
        return;
    }
    finish(end, html, {});
}

void PageRender::finish(RenderEnd end, const QString& html, const QString& error)
{
    if (m_done)
        return;
    m_done = true;
    m_tick.stop();
    m_deadline.stop();
    m_readGuard.stop();
    RenderResult result;
    result.end = end;
    result.url = m_request.url;
    result.finalUrl = m_page && !m_page->url().isEmpty() ? m_page->url() : m_request.url;
    result.status = m_status;
    result.html = html;
    result.error = error;
    result.elapsedMs = m_clock.elapsed();
    emit finished(result);
}
