#include "rendering/RenderPool.h"

#include "rendering/RenderLog.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMetaObject>
#include <QStandardPaths>

namespace {

const QString kProgramName = QStringLiteral("quillmark-render");
// Renderers in a row that ended on their own before answering anything: the
// program is broken here, not one page.
constexpr int kFailedStartsLimit = 3;

QString failedText(const QString& reason)
{
    return QStringLiteral("render failed: ") + reason;
}

} // namespace

RenderPool::RenderPool(QObject* parent) : RenderPool(Options{}, parent) {}

RenderPool::RenderPool(const Options& options, QObject* parent) : QObject(parent), m_options(options)
{
    qRegisterMetaType<RenderResult>();
    m_options.renderers = qMax(1, m_options.renderers);
    m_options.pagesPerRenderer = qMax(1, m_options.pagesPerRenderer);
}

RenderPool::~RenderPool()
{
    for (RendererProcess* renderer : std::as_const(m_renderers)) {
        renderer->disconnect(this);
        delete renderer;
    }
}

QString RenderPool::findProgram()
{
    const QString beside = QDir(QCoreApplication::applicationDirPath()).filePath(kProgramName);
    const QFileInfo info(beside);
    if (info.isFile() && info.isExecutable())
        return beside;
    return QStandardPaths::findExecutable(kProgramName);
}

quint64 RenderPool::render(const QUrl& url, const RenderLimits& limits)
{
    Pending pending;
    pending.request.id = m_nextId++;
    pending.request.url = url;
    pending.request.limits = limits;
    if (m_program.isEmpty() && m_unavailable.isEmpty()) {
        m_program = m_options.program.isEmpty() ? findProgram() : m_options.program;
        if (m_program.isEmpty()) {
            setUnavailable(
                QStringLiteral("the page renderer %1 was found neither beside %2 nor on the PATH")
                    .arg(kProgramName, QDir::toNativeSeparators(QCoreApplication::applicationDirPath())));
        }
    }
    if (!m_unavailable.isEmpty()) {
        failLater(pending, m_unavailable);
        return pending.request.id;
    }
    m_queue.append(pending);
    dispatch();
    return pending.request.id;
}

void RenderPool::cancel(quint64 id)
{
    for (qsizetype i = 0; i < m_queue.size(); ++i) {
        if (m_queue.at(i).request.id == id) {
            m_queue.removeAt(i);
            return;
        }
    }
    for (const Pending& pending : std::as_const(m_inFlight)) {
        if (pending.request.id == id)
            m_cancelled.insert(id);
    }
}

QList<qint64> RenderPool::rendererPids() const
{
    QList<qint64> pids;
    for (const RendererProcess* renderer : m_renderers)
        pids.append(renderer->pid());
    return pids;
}

void RenderPool::dispatch()
{
    while (!m_queue.isEmpty() && m_unavailable.isEmpty()) {
        RendererProcess* idle = nullptr;
        for (RendererProcess* renderer : std::as_const(m_renderers)) {
            if (renderer->isIdle()) {
                idle = renderer;
                break;
            }
        }
        if (!idle) {
            // A retiring renderer still counts: its replacement waits for its
            // memory to be given back.
            if (m_renderers.size() >= m_options.renderers)
                return;
            // The new renderer takes requests at once; one that cannot start
            // makes the pool unavailable, which ends the loop.
            startRenderer();
            continue;
        }
        Pending pending = m_queue.takeFirst();
        pending.renderer = idle;
        m_inFlight.append(pending);
        idle->send(pending.request);
    }
}

void RenderPool::startRenderer()
{
    auto* renderer = new RendererProcess(m_program, m_options.watch, this);
    m_renderers.append(renderer);
    connect(renderer, &RendererProcess::answered, this,
            [this, renderer](quint64 id, const RenderResult& result) { handleAnswer(renderer, id, result); });
    connect(renderer, &RendererProcess::failed, this, &RenderPool::handleFailure);
    connect(renderer, &RendererProcess::startFailed, this, [this](const QString& message) {
        setUnavailable(
            QStringLiteral("the page renderer %1 could not be started: %2").arg(m_program, message));
    });
    connect(renderer, &RendererProcess::gone, this,
            [this, renderer](bool ownAccord, const QString& lastWords) {
                handleGone(renderer, ownAccord, lastWords);
            });
    renderer->start();
    qCDebug(lcRender) << "renderer started:" << m_program;
}

void RenderPool::handleAnswer(RendererProcess* renderer, quint64 id, const RenderResult& result)
{
    m_failedStarts = 0;
    const bool retire = renderer->pagesAnswered() >= m_options.pagesPerRenderer ||
                        renderer->memoryBytes() > m_options.watch.memoryBoundBytes;
    if (retire)
        renderer->retire();
    finish(id, result);
    dispatch();
}

void RenderPool::handleFailure(quint64 id, const QString& reason)
{
    RenderResult result;
    result.end = RenderEnd::Failed;
    // Once the program is known not to run, every request says why alike.
    result.error = failedText(m_unavailable.isEmpty() ? reason : m_unavailable);
    finish(id, result);
}

void RenderPool::handleGone(RendererProcess* renderer, bool ownAccord, const QString& lastWords)
{
    m_renderers.removeOne(renderer);
    renderer->deleteLater();
    if (ownAccord && renderer->pagesAnswered() == 0 && ++m_failedStarts >= kFailedStartsLimit) {
        QString message = QStringLiteral("the page renderer %1 stopped as it started, %2 times in a row")
                              .arg(m_program)
                              .arg(m_failedStarts);
        if (!lastWords.isEmpty())
            message += QStringLiteral(" (its last words: %1)").arg(lastWords);
        setUnavailable(message);
        return;
    }
    dispatch();
}

void RenderPool::setUnavailable(const QString& message)
{
    if (!m_unavailable.isEmpty())
        return;
    m_unavailable = message;
    qCDebug(lcRender) << "renderer unavailable:" << message;
    const QList<Pending> waiting = m_queue;
    m_queue.clear();
    for (const Pending& pending : waiting)
        failLater(pending, message);
    QMetaObject::invokeMethod(
        this, [this, message] { emit unavailable(message); }, Qt::QueuedConnection);
}

void RenderPool::failLater(const Pending& pending, const QString& reason)
{
    RenderResult result;
    result.end = RenderEnd::Failed;
    result.url = pending.request.url;
    result.error = failedText(reason);
    const quint64 id = pending.request.id;
    QMetaObject::invokeMethod(
        this, [this, id, result] { emit rendered(id, result); }, Qt::QueuedConnection);
}

void RenderPool::finish(quint64 id, RenderResult result)
{
    for (qsizetype i = 0; i < m_inFlight.size(); ++i) {
        if (m_inFlight.at(i).request.id != id)
            continue;
        result.url = m_inFlight.at(i).request.url;
        m_inFlight.removeAt(i);
        if (m_cancelled.remove(id))
            return;
        emit rendered(id, result);
        return;
    }
}
