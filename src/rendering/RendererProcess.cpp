#include "rendering/RendererProcess.h"

#include "rendering/ProcessTree.h"
#include "rendering/RenderLog.h"

#include <QProcessEnvironment>

namespace {

// Chromium writes a lot on its standard error; only the end is kept, for the
// message when the process dies.
constexpr qsizetype kErrTailBytes = 4096;
constexpr int kRetireWaitMs = 3000;

QString megabytes(qint64 bytes)
{
    return QStringLiteral("%1 MB").arg(bytes / (1024 * 1024));
}

} // namespace

RendererProcess::RendererProcess(const QString& program, const Watch& watch, QObject* parent)
    : QObject(parent), m_program(program), m_watch(watch)
{
    m_hangTimer.setSingleShot(true);
    m_retireTimer.setSingleShot(true);
    m_memoryTimer.setInterval(m_watch.memoryCheckMs);
    connect(&m_process, &QProcess::readyReadStandardOutput, this, &RendererProcess::readAnswers);
    connect(&m_process, &QProcess::readyReadStandardError, this, &RendererProcess::readErrors);
    connect(&m_process, &QProcess::finished, this, &RendererProcess::handleFinished);
    connect(&m_process, &QProcess::errorOccurred, this, &RendererProcess::handleError);
    connect(&m_process, &QProcess::started, this, [this] { m_pid = m_process.processId(); });
    connect(&m_hangTimer, &QTimer::timeout, this,
            [this] { killTree(QStringLiteral("the renderer did not answer in time")); });
    connect(&m_memoryTimer, &QTimer::timeout, this, &RendererProcess::checkMemory);
    connect(&m_retireTimer, &QTimer::timeout, this,
            [this] { killTree(QStringLiteral("the renderer did not stop when asked")); });
}

RendererProcess::~RendererProcess()
{
    m_process.disconnect(this);
    if (m_process.state() != QProcess::NotRunning) {
        ProcessTree::kill(m_process.processId());
        m_process.waitForFinished(1000);
    }
}

void RendererProcess::start()
{
    // The renderer never shows a window, whatever platform its caller runs on.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    m_process.setProcessEnvironment(environment);
    m_state = State::Idle;
    m_process.start(m_program, {}, QIODevice::ReadWrite);
}

void RendererProcess::send(const RenderProtocol::Request& request)
{
    m_state = State::Busy;
    m_requestId = request.id;
    // JSON writes a control character in six bytes; the rest of the answer is small.
    m_lineLimit = request.limits.maxBytes * 6 + 1024 * 1024;
    const int startGrace = m_pagesAnswered == 0 ? m_watch.startGraceMs : 0;
    m_hangTimer.start(request.limits.timeoutMs + m_watch.graceMs + startGrace);
    m_memoryTimer.start();
    m_process.write(RenderProtocol::requestLine(request));
}

void RendererProcess::retire()
{
    if (m_state != State::Idle)
        return;
    m_state = State::Retiring;
    m_process.closeWriteChannel();
    m_retireTimer.start(kRetireWaitMs);
}

qint64 RendererProcess::memoryBytes() const
{
    return ProcessTree::memoryBytes(m_pid);
}

void RendererProcess::readAnswers()
{
    m_out.append(m_process.readAllStandardOutput());
    for (;;) {
        const qsizetype end = m_out.indexOf('\n', m_scanned);
        if (end < 0)
            break;
        const QByteArray line = m_out.left(end);
        m_out.remove(0, end + 1);
        m_scanned = 0;
        handleLine(line);
        if (m_state == State::Gone)
            return;
    }
    m_scanned = m_out.size();
    if (m_state == State::Busy && m_out.size() > m_lineLimit)
        killTree(QStringLiteral("the renderer's answer was longer than the page allows"));
}

void RendererProcess::handleLine(const QByteArray& line)
{
    quint64 id = 0;
    RenderResult result;
    if (m_state != State::Busy || !RenderProtocol::parseAnswer(line, &id, &result) || id != m_requestId) {
        killTree(QStringLiteral("the renderer answered out of turn"));
        return;
    }
    m_hangTimer.stop();
    m_memoryTimer.stop();
    m_state = State::Idle;
    ++m_pagesAnswered;
    emit answered(id, result);
}

void RendererProcess::readErrors()
{
    const QByteArray text = m_process.readAllStandardError();
    for (const QByteArray& line : text.split('\n')) {
        if (!line.trimmed().isEmpty())
            qCDebug(lcRender).noquote() << "renderer" << m_pid << QString::fromLocal8Bit(line);
    }
    m_errTail.append(text);
    if (m_errTail.size() > kErrTailBytes)
        m_errTail.remove(0, m_errTail.size() - kErrTailBytes);
}

void RendererProcess::checkMemory()
{
    const qint64 bytes = memoryBytes();
    if (bytes > m_watch.memoryBoundBytes) {
        killTree(QStringLiteral("the renderer used %1, over its bound of %2")
                     .arg(megabytes(bytes), megabytes(m_watch.memoryBoundBytes)));
    }
}

void RendererProcess::killTree(const QString& reason)
{
    if (m_state == State::Gone || !m_killReason.isEmpty())
        return;
    qCDebug(lcRender) << "killing renderer" << m_pid << "-" << reason;
    m_killReason = reason;
    m_hangTimer.stop();
    m_memoryTimer.stop();
    ProcessTree::kill(m_pid);
}

void RendererProcess::handleError(QProcess::ProcessError error)
{
    if (error != QProcess::FailedToStart)
        return;
    const bool wasBusy = m_state == State::Busy;
    m_state = State::Gone;
    m_hangTimer.stop();
    m_memoryTimer.stop();
    const QString message = m_process.errorString();
    emit startFailed(message);
    if (wasBusy)
        emit failed(m_requestId, QStringLiteral("the renderer could not be started: %1").arg(message));
    emit gone(false, {});
}

void RendererProcess::handleFinished(int exitCode, QProcess::ExitStatus status)
{
    const bool wasBusy = m_state == State::Busy;
    const bool ownAccord = m_killReason.isEmpty() && m_state != State::Retiring;
    m_state = State::Gone;
    m_hangTimer.stop();
    m_memoryTimer.stop();
    m_retireTimer.stop();
    readErrors();
    QString lastWords;
    for (const QByteArray& line : m_errTail.split('\n')) {
        if (!line.trimmed().isEmpty())
            lastWords = QString::fromLocal8Bit(line.trimmed());
    }
    qCDebug(lcRender) << "renderer" << m_pid << "ended:" << exitCode << status;
    if (wasBusy) {
        QString reason = m_killReason;
        if (reason.isEmpty()) {
            reason = status == QProcess::CrashExit
                         ? QStringLiteral("the renderer crashed")
                         : QStringLiteral("the renderer stopped with exit code %1").arg(exitCode);
        }
        emit failed(m_requestId, reason);
    }
    emit gone(ownAccord, lastWords);
}
