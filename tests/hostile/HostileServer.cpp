#include "HostileServer.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

sockaddr_in loopback(quint16 port)
{
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

// The request head, up to its blank line, or whatever arrived before the
// client went quiet (a request of another protocol has no blank line).
QByteArray readRequest(int fd, const std::atomic<bool>& stopping)
{
    QByteArray in;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (!stopping && in.size() < 65536 && !in.contains("\r\n\r\n")) {
        if (std::chrono::steady_clock::now() > deadline)
            break;
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0)
            continue;
        char buffer[4096];
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0)
            break;
        in.append(buffer, n);
    }
    return in;
}

} // namespace

HostileServer::HostileServer()
{
    m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int yes = 1;
    ::setsockopt(m_listener, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in a = loopback(0);
    if (::bind(m_listener, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(m_listener, 64) != 0)
        qFatal("HostileServer: cannot listen on 127.0.0.1");
    socklen_t len = sizeof a;
    ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&a), &len);
    m_port = ntohs(a.sin_port);
    m_acceptThread = std::thread([this] { acceptLoop(); });
}

HostileServer::~HostileServer()
{
    m_stopping = true;
    ::shutdown(m_listener, SHUT_RDWR);
    m_acceptThread.join();
    ::close(m_listener);
    {
        QMutexLocker lock(&m_mutex);
        for (const int fd : m_openFds)
            ::shutdown(fd, SHUT_RDWR);
    }
    for (std::thread& t : m_connections)
        t.join();
}

void HostileServer::route(const QString& path, Behaviour behaviour)
{
    QMutexLocker lock(&m_mutex);
    m_routes.insert(path, std::move(behaviour));
}

QString HostileServer::url(const QString& path) const
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(m_port).arg(path);
}

QStringList HostileServer::requestLines() const
{
    QMutexLocker lock(&m_mutex);
    return m_requestLines;
}

void HostileServer::acceptLoop()
{
    while (!m_stopping) {
        pollfd p{m_listener, POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0)
            continue;
        const int fd = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        QMutexLocker lock(&m_mutex);
        m_openFds.push_back(fd);
        m_connections.emplace_back([this, fd] { serve(fd); });
    }
}

void HostileServer::serve(int fd)
{
    const QByteArray request = readRequest(fd, m_stopping);
    const QByteArray firstLine = request.left(request.indexOf("\r\n") < 0 ? 200 : request.indexOf("\r\n"));
    const QList<QByteArray> words = firstLine.split(' ');
    const QString path = words.size() >= 2 ? QString::fromLatin1(words[1]) : QString();

    Behaviour behaviour;
    {
        QMutexLocker lock(&m_mutex);
        m_requestLines.append(QString::fromLatin1(firstLine));
        behaviour = m_routes.value(path);
    }
    Connection c;
    c.fd = fd;
    c.stopping = [this] { return m_stopping.load(); };
    c.write = [fd, this](const QByteArray& bytes) {
        qsizetype done = 0;
        while (done < bytes.size()) {
            if (m_stopping)
                return false;
            pollfd p{fd, POLLOUT, 0};
            if (::poll(&p, 1, 100) <= 0)
                continue;
            const ssize_t n = ::send(fd, bytes.constData() + done, size_t(bytes.size() - done), MSG_NOSIGNAL);
            if (n < 0 && (errno == EAGAIN || errno == EINTR))
                continue;
            if (n <= 0)
                return false;
            done += n;
        }
        return true;
    };
    c.pause = [this](int ms) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (std::chrono::steady_clock::now() < until) {
            if (m_stopping)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return true;
    };
    if (behaviour)
        behaviour(c);
    else
        c.write(head(404, "Not Found", {"Content-Length: 0"}));

    {
        QMutexLocker lock(&m_mutex);
        std::erase(m_openFds, fd);
    }
    if (c.fd >= 0) {
        ::shutdown(fd, SHUT_WR);
        // Drain what the client still sends, so the close is orderly.
        char sink[1024];
        pollfd p{fd, POLLIN, 0};
        while (::poll(&p, 1, 200) > 0 && ::recv(fd, sink, sizeof sink, 0) > 0) {
        }
        ::close(fd);
    }
}

void HostileServer::resetConnection(Connection& c)
{
    // A zero linger time makes close() send RST and drop unsent data.
    const linger l{1, 0};
    ::setsockopt(c.fd, SOL_SOCKET, SO_LINGER, &l, sizeof l);
    ::close(c.fd);
    c.fd = -1;
}

QByteArray HostileServer::head(int status, const QByteArray& reason, const QList<QByteArray>& headers)
{
    QByteArray out = "HTTP/1.1 " + QByteArray::number(status) + ' ' + reason + "\r\n";
    for (const QByteArray& h : headers)
        out += h + "\r\n";
    out += "Connection: close\r\n\r\n";
    return out;
}

HostileServer::Behaviour HostileServer::page(const QByteArray& body, const QByteArray& contentType)
{
    return [body, contentType](Connection& c) {
        c.write(head(200, "OK",
                     {"Content-Type: " + contentType, "Content-Length: " + QByteArray::number(body.size())}) +
                body);
    };
}

HostileServer::Behaviour HostileServer::redirect(const QByteArray& location)
{
    return [location](Connection& c) {
        c.write(head(302, "Found", {"Location: " + location, "Content-Length: 0"}));
    };
}

quint16 HostileServer::closedPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a = loopback(0);
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    ::close(fd);
    return ntohs(a.sin_port);
}
