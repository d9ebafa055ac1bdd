#pragma once

#include <QByteArray>
#include <QMap>
#include <QMutex>
#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <thread>
#include <vector>

// An HTTP server on 127.0.0.1 that misbehaves on purpose, written on plain
// sockets so that it can do what a well-behaved server library will not: send
// a byte a second, stream a gigabyte it never holds, reset the connection,
// answer without a status line. A thread per connection; the destructor stops
// every one of them.
class HostileServer
{
public:
    // How a connection is answered. `write` sends raw bytes and returns false
    // once the client has gone; `stopping` turns true when the server shuts down.
    struct Connection
    {
        int fd = -1;
        std::function<bool(const QByteArray&)> write;
        std::function<bool()> stopping;
        // Sleeps up to ms, returning early (false) when the server stops.
        std::function<bool(int)> pause;
    };
    using Behaviour = std::function<void(Connection&)>;

    HostileServer();
    ~HostileServer();
    HostileServer(const HostileServer&) = delete;
    HostileServer& operator=(const HostileServer&) = delete;

    // Exact request paths; anything else gets 404.
    void route(const QString& path, Behaviour behaviour);

    quint16 port() const { return m_port; }
    QString url(const QString& path) const;

    // Every request line received, in order ("GET /x HTTP/1.1"), and any
    // first line that was not an HTTP request at all.
    QStringList requestLines() const;

    // Closes the connection with a reset (RST) instead of an orderly close.
    static void resetConnection(Connection& c);

    // Pieces of well-formed answers.
    static QByteArray head(int status, const QByteArray& reason, const QList<QByteArray>& headers);
    static Behaviour page(const QByteArray& body, const QByteArray& contentType = "text/html; charset=utf-8");
    static Behaviour redirect(const QByteArray& location);

    // A port on 127.0.0.1 where nothing listens: bound, then released.
    static quint16 closedPort();

private:
    void acceptLoop();
    void serve(int fd);

    int m_listener = -1;
    quint16 m_port = 0;
    std::atomic<bool> m_stopping{false};
    std::thread m_acceptThread;
    mutable QMutex m_mutex;
    QMap<QString, Behaviour> m_routes;
    QStringList m_requestLines;
    std::vector<std::thread> m_connections;
    std::vector<int> m_openFds;
};
