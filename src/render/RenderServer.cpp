#include "render/RenderServer.h"

#include "render/PageRender.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <cerrno>
#include <unistd.h>

RenderServer::RenderServer(int inputFd, int answerFd, QObject* parent)
    : QObject(parent), m_inputFd(inputFd), m_answerFd(answerFd)
{}

RenderServer::~RenderServer() = default;

void RenderServer::start()
{
    m_notifier = new QSocketNotifier(m_inputFd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &RenderServer::readInput);
}

void RenderServer::readInput()
{
    char buffer[65536];
    const ssize_t n = ::read(m_inputFd, buffer, sizeof buffer);
    if (n < 0 && (errno == EINTR || errno == EAGAIN))
        return;
    if (n <= 0) {
        m_notifier->setEnabled(false);
        m_inputEnded = true;
    } else {
        m_input.append(buffer, n);
        qsizetype end;
        while ((end = m_input.indexOf('\n')) >= 0) {
            const QByteArray line = m_input.left(end);
            m_input.remove(0, end + 1);
            if (!line.trimmed().isEmpty())
                m_lines.append(line);
        }
    }
    if (!m_current)
        next();
}

void RenderServer::next()
{
    if (m_lines.isEmpty()) {
        if (m_inputEnded)
            QCoreApplication::quit();
        return;
    }
    const QByteArray line = m_lines.takeFirst();
    RenderProtocol::Request request;
    QString error;
    if (!RenderProtocol::parseRequest(line, &request, &error)) {
        RenderResult result;
        result.end = RenderEnd::LoadFailed;
        result.finalUrl = request.url;
        result.error = QStringLiteral("bad request: ") + error;
        answer(request.id, result);
        QTimer::singleShot(0, this, &RenderServer::next);
        return;
    }
    m_currentId = request.id;
    m_current = std::make_unique<PageRender>(request);
    connect(m_current.get(), &PageRender::finished, this, [this](const RenderResult& result) {
        answer(m_currentId, result);
        // The page goes once its signal has returned; the next starts after.
        QTimer::singleShot(0, this, [this] {
            m_current.reset();
            next();
        });
    });
    m_current->start();
}

void RenderServer::answer(quint64 id, const RenderResult& result)
{
    writeAll(RenderProtocol::answerLine(id, result));
}

void RenderServer::writeAll(const QByteArray& bytes)
{
    qsizetype written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(m_answerFd, bytes.constData() + written, size_t(bytes.size() - written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            // Nobody reads the answers any more: the caller has gone.
            QCoreApplication::exit(1);
            return;
        }
        written += n;
    }
}
