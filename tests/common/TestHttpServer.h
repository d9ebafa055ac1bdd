#pragma once

#include "TestLoadGauge.h"

#include <QAtomicInt>
#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QMutex>
#include <QObject>
#include <QPair>
#include <QString>
#include <QUrl>
#include <functional>
#include <memory>

class QThread;

// What the server received: the request line split up, the headers (names in
// lower case, as HTTP header names are case-insensitive) and the body.
struct TestHttpRequest
{
    QByteArray method;
    QByteArray target; // as sent: path plus query
    QString path;      // target without the query
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;

    QByteArray header(const QByteArray& lowerName) const;
    bool hasHeader(const QByteArray& lowerName) const;
};

// What the server answers. The defaults give "HTTP/1.1 200 OK" with a
// Content-Length and "Connection: close"; the other fields shape misbehaving
// servers (slow, stalled, chunked, cut off).
struct TestHttpResponse
{
    int status = 200;
    QByteArray reason = "OK";
    QByteArray statusLine; // replaces "HTTP/1.1 <status> <reason>" when set (no CR LF)
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;

    bool chunked = false;            // Transfer-Encoding: chunked framing
    bool contentLength = true;       // add Content-Length (ignored when chunked)
    int headDelayMs = 0;             // wait before the status line
    int bodyDelayMs = 0;             // wait between the header block and the body
    int pieceSize = 0;               // write the body in pieces of this size (0: at once)
    int pieceDelayMs = 0;            // wait between pieces
    qint64 closeAfterBodyBytes = -1; // drop the connection after this many body bytes
    QByteArray raw;                  // when set, sent as is instead of everything above
    bool silent = false;             // send nothing at all, until the client hangs up

    TestHttpResponse& header(const QByteArray& name, const QByteArray& value);

    static TestHttpResponse html(const QByteArray& body,
                                 const QByteArray& contentType = "text/html; charset=utf-8");
    static TestHttpResponse redirect(int status, const QByteArray& location);
    static TestHttpResponse notFound();
};

using TestHttpHandler = std::function<TestHttpResponse(const TestHttpRequest&)>;

// A small HTTP/1.1 server on 127.0.0.1 (or another loopback address) for tests. It runs in its own thread, so
// a test may block on a synchronous fetch while the server answers. Handlers
// are called on that thread: what they share with the test must be guarded or
// atomic. One request per connection ("Connection: close").
class TestHttpServer
{
public:
    // With a certificate and its private key (PEM) the server speaks HTTPS.
    explicit TestHttpServer(const QByteArray& certificatePem = {}, const QByteArray& privateKeyPem = {});
    // Plain HTTP on another address of the loopback network (127.0.0.2 and on),
    // for tests that need several hosts.
    explicit TestHttpServer(const QHostAddress& loopbackAddress);
    ~TestHttpServer();
    TestHttpServer(const TestHttpServer&) = delete;
    TestHttpServer& operator=(const TestHttpServer&) = delete;

    // Exact path match, or a prefix match when the path ends in '*'. Exact
    // routes win over prefixes; unrouted paths get 404.
    void route(const QString& path, TestHttpHandler handler);
    void route(const QString& path, const TestHttpResponse& fixed);

    quint16 port() const { return m_port; }
    QUrl url(const QString& path = QStringLiteral("/")) const;

    // Every request received so far, in order of arrival.
    QList<TestHttpRequest> requests() const;
    int requestCount(const QString& path) const;
    void clearRequests();
    // Connections the client closed before the whole response was written: a
    // client that gives up (time-out, cancel, size limit) shows up here.
    int abandonedConnections() const { return m_abandoned.loadAcquire(); }
    // The most requests this server was answering at once (from the arrival of
    // a request to its answer handed over whole or its connection gone): the
    // connections a client had in use with it.
    int peakConcurrentRequests() const { return m_gauge.peak(); }
    // Also count this server's requests on a gauge shared with other servers.
    // Call before the first request.
    void shareGauge(std::shared_ptr<TestLoadGauge> gauge) { m_sharedGauge = std::move(gauge); }

    class Engine; // lives in the server thread; public for the implementation file only

private:
    friend class Engine;
    TestHttpResponse respond(const TestHttpRequest& request);
    void start(const QHostAddress& address);
    void changeLoad(int delta);

    mutable QMutex m_mutex;
    QList<QPair<QString, TestHttpHandler>> m_routes;
    QList<TestHttpRequest> m_requests;
    QThread* m_thread = nullptr;
    Engine* m_engine = nullptr;
    QHostAddress m_address;
    quint16 m_port = 0;
    bool m_tls = false;
    QAtomicInt m_abandoned = 0;
    TestLoadGauge m_gauge;
    std::shared_ptr<TestLoadGauge> m_sharedGauge;
};
