#include "TestHttpServer.h"

#include <QHostAddress>
#include <QMutexLocker>
#include <QSslCertificate>
#include <QSslKey>
#include <QSslSocket>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>

QByteArray TestHttpRequest::header(const QByteArray& lowerName) const
{
    for (const auto& [name, value] : headers) {
        if (name == lowerName)
            return value;
    }
    return {};
}

bool TestHttpRequest::hasHeader(const QByteArray& lowerName) const
{
    for (const auto& entry : headers) {
        if (entry.first == lowerName)
            return true;
    }
    return false;
}

TestHttpResponse& TestHttpResponse::header(const QByteArray& name, const QByteArray& value)
{
    headers.append({name, value});
    return *this;
}

TestHttpResponse TestHttpResponse::html(const QByteArray& body, const QByteArray& contentType)
{
    TestHttpResponse r;
    r.body = body;
    r.header("Content-Type", contentType);
    return r;
}

TestHttpResponse TestHttpResponse::redirect(int status, const QByteArray& location)
{
    TestHttpResponse r;
    r.status = status;
    r.reason = status == 301 ? "Moved Permanently" : status == 303 ? "See Other" : "Found";
    r.header("Location", location);
    return r;
}

TestHttpResponse TestHttpResponse::notFound()
{
    TestHttpResponse r = html("<html><body>not found</body></html>");
    r.status = 404;
    r.reason = "Not Found";
    return r;
}

namespace {

// One connection: read one request, answer it as the response describes, close.
class Connection
{
public:
    // load(+1) when a request arrives, load(-1) when its answer is handed to
    // the socket whole or the connection ends first.
    Connection(QTcpSocket* socket, std::function<void(int)> load) : m_socket(socket), m_load(std::move(load)) {}

    bool complete() const { return m_complete; }

    void end()
    {
        if (m_busy) {
            m_busy = false;
            m_load(-1);
        }
    }

    void onReadyRead(const std::function<TestHttpResponse(const TestHttpRequest&)>& respond)
    {
        if (m_answered)
            return;
        m_buffer += m_socket->readAll();
        const qsizetype headEnd = m_buffer.indexOf("\r\n\r\n");
        if (headEnd < 0)
            return;
        TestHttpRequest request;
        const QList<QByteArray> lines = m_buffer.left(headEnd).split('\n');
        const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
        request.method = requestLine.value(0);
        request.target = requestLine.value(1);
        const qsizetype query = request.target.indexOf('?');
        request.path = QString::fromLatin1(query < 0 ? request.target : request.target.left(query));
        qsizetype contentLength = 0;
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const QByteArray line = lines[i].trimmed();
            const qsizetype colon = line.indexOf(':');
            if (colon <= 0)
                continue;
            const QByteArray name = line.left(colon).trimmed().toLower();
            const QByteArray value = line.mid(colon + 1).trimmed();
            request.headers.append({name, value});
            if (name == "content-length")
                contentLength = value.toLongLong();
        }
        const qsizetype bodyStart = headEnd + 4;
        if (m_buffer.size() - bodyStart < contentLength)
            return; // the rest of the request body is still on its way
        request.body = m_buffer.mid(bodyStart, contentLength);
        m_answered = true;
        m_busy = true;
        m_load(+1);
        send(respond(request));
    }

private:
    void send(const TestHttpResponse& response)
    {
        // The request stays in progress (counted in the load) and the hang-up
        // counts as abandoned, as for any answer the client did not wait for.
        if (response.silent)
            return;
        if (!response.raw.isEmpty()) {
            m_socket->write(response.raw);
            m_complete = true;
            end();
            m_socket->disconnectFromHost();
            return;
        }
        QByteArray head = response.statusLine.isEmpty()
                              ? "HTTP/1.1 " + QByteArray::number(response.status) + ' ' + response.reason
                              : response.statusLine;
        head += "\r\n";
        bool hasLength = false;
        for (const auto& [name, value] : response.headers) {
            head += name + ": " + value + "\r\n";
            if (name.toLower() == "content-length")
                hasLength = true;
        }
        if (response.chunked)
            head += "Transfer-Encoding: chunked\r\n";
        else if (response.contentLength && !hasLength)
            head += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
        head += "Connection: close\r\n\r\n";

        m_response = response;
        m_head = head;
        later(response.headDelayMs, [this] {
            m_socket->write(m_head);
            later(m_response.bodyDelayMs, [this] { writeNextPiece(); });
        });
    }

    void writeNextPiece()
    {
        const QByteArray& body = m_response.body;
        qint64 limit = body.size();
        if (m_response.closeAfterBodyBytes >= 0)
            limit = qMin(limit, m_response.closeAfterBodyBytes);
        if (m_sent >= limit) {
            if (m_response.chunked && limit == body.size())
                m_socket->write("0\r\n\r\n");
            m_complete = true;
            // Before the bytes leave: the write goes out from the event loop,
            // so a client cannot see the end of this answer before this.
            end();
            if (m_response.closeAfterBodyBytes >= 0 && limit < body.size())
                m_socket->abort();
            else
                m_socket->disconnectFromHost();
            return;
        }
        const qint64 size =
            m_response.pieceSize > 0 ? qMin<qint64>(m_response.pieceSize, limit - m_sent) : limit - m_sent;
        const QByteArray piece = body.mid(m_sent, size);
        if (m_response.chunked)
            m_socket->write(QByteArray::number(piece.size(), 16) + "\r\n" + piece + "\r\n");
        else
            m_socket->write(piece);
        m_sent += size;
        later(m_sent < limit ? m_response.pieceDelayMs : 0, [this] { writeNextPiece(); });
    }

    template <typename F> void later(int ms, F f)
    {
        if (ms <= 0)
            f();
        else
            QTimer::singleShot(ms, m_socket, f); // dropped when the client hangs up first
    }

    QTcpSocket* m_socket;
    std::function<void(int)> m_load;
    bool m_busy = false;
    QByteArray m_buffer;
    bool m_answered = false;
    bool m_complete = false;
    TestHttpResponse m_response;
    QByteArray m_head;
    qint64 m_sent = 0;
};

} // namespace

class TestHttpServer::Engine : public QTcpServer
{
public:
    explicit Engine(TestHttpServer* owner) : m_owner(owner) {}

    void setIdentity(const QByteArray& certificatePem, const QByteArray& privateKeyPem)
    {
        m_certificate = QSslCertificate(certificatePem, QSsl::Pem);
        m_key = QSslKey(privateKeyPem, QSsl::Ec, QSsl::Pem);
        if (m_key.isNull())
            m_key = QSslKey(privateKeyPem, QSsl::Rsa, QSsl::Pem);
    }

protected:
    void incomingConnection(qintptr descriptor) override
    {
        QTcpSocket* socket = nullptr;
        if (!m_certificate.isNull()) {
            auto* secure = new QSslSocket(this);
            secure->setSocketDescriptor(descriptor);
            secure->setLocalCertificate(m_certificate);
            secure->setPrivateKey(m_key);
            secure->startServerEncryption(); // readyRead then carries the decrypted request
            socket = secure;
        } else {
            socket = new QTcpSocket(this);
            socket->setSocketDescriptor(descriptor);
        }
        TestHttpServer* owner = m_owner;
        auto connection = std::make_shared<Connection>(socket, [owner](int delta) { owner->changeLoad(delta); });
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [connection, owner] {
            connection->onReadyRead([owner](const TestHttpRequest& r) { return owner->respond(r); });
        });
        // The connection object lives as long as the socket's signal connections.
        QObject::connect(socket, &QTcpSocket::disconnected, socket, [socket, connection, owner] {
            if (!connection->complete())
                owner->m_abandoned.fetchAndAddRelease(1);
            connection->end();
            socket->deleteLater();
        });
    }

private:
    TestHttpServer* m_owner;
    QSslCertificate m_certificate;
    QSslKey m_key;
};

TestHttpServer::TestHttpServer(const QByteArray& certificatePem, const QByteArray& privateKeyPem)
{
    m_thread = new QThread;
    m_thread->setObjectName(QStringLiteral("TestHttpServer"));
    m_engine = new Engine(this);
    if (!certificatePem.isEmpty()) {
        m_engine->setIdentity(certificatePem, privateKeyPem);
        m_tls = true;
    }
    start(QHostAddress(QHostAddress::LocalHost));
}

TestHttpServer::TestHttpServer(const QHostAddress& loopbackAddress)
{
    if (!loopbackAddress.isLoopback())
        qFatal("TestHttpServer: %s is not a loopback address", qPrintable(loopbackAddress.toString()));
    m_thread = new QThread;
    m_thread->setObjectName(QStringLiteral("TestHttpServer"));
    m_engine = new Engine(this);
    start(loopbackAddress);
}

void TestHttpServer::start(const QHostAddress& address)
{
    m_address = address;
    m_engine->moveToThread(m_thread);
    m_thread->start();
    quint16 port = 0;
    QMetaObject::invokeMethod(
        m_engine,
        [this, &port, address] {
            if (m_engine->listen(address, 0))
                port = m_engine->serverPort();
        },
        Qt::BlockingQueuedConnection);
    m_port = port;
    if (m_port == 0)
        qFatal("TestHttpServer: cannot listen on %s", qPrintable(address.toString()));
}

void TestHttpServer::changeLoad(int delta)
{
    m_gauge.change(delta);
    if (m_sharedGauge)
        m_sharedGauge->change(delta);
}

TestHttpServer::~TestHttpServer()
{
    QMetaObject::invokeMethod(
        m_engine,
        [this] {
            m_engine->close();
            delete m_engine; // deletes the open sockets, its children
            m_engine = nullptr;
        },
        Qt::BlockingQueuedConnection);
    m_thread->quit();
    m_thread->wait();
    delete m_thread;
}

void TestHttpServer::route(const QString& path, TestHttpHandler handler)
{
    QMutexLocker lock(&m_mutex);
    for (auto& entry : m_routes) {
        if (entry.first == path) {
            entry.second = std::move(handler);
            return;
        }
    }
    m_routes.append({path, std::move(handler)});
}

void TestHttpServer::route(const QString& path, const TestHttpResponse& fixed)
{
    route(path, [fixed](const TestHttpRequest&) { return fixed; });
}

QUrl TestHttpServer::url(const QString& path) const
{
    return QUrl(QStringLiteral("%1://%2:%3%4")
                    .arg(m_tls ? QStringLiteral("https") : QStringLiteral("http"))
                    .arg(m_address.toString())
                    .arg(m_port)
                    .arg(path));
}

QList<TestHttpRequest> TestHttpServer::requests() const
{
    QMutexLocker lock(&m_mutex);
    return m_requests;
}

int TestHttpServer::requestCount(const QString& path) const
{
    QMutexLocker lock(&m_mutex);
    int n = 0;
    for (const auto& r : m_requests) {
        if (r.path == path)
            ++n;
    }
    return n;
}

void TestHttpServer::clearRequests()
{
    QMutexLocker lock(&m_mutex);
    m_requests.clear();
}

TestHttpResponse TestHttpServer::respond(const TestHttpRequest& request)
{
    TestHttpHandler handler;
    {
        QMutexLocker lock(&m_mutex);
        m_requests.append(request);
        const QPair<QString, TestHttpHandler>* best = nullptr;
        for (const auto& entry : m_routes) {
            if (entry.first == request.path) {
                best = &entry;
                break;
            }
            if (entry.first.endsWith(u'*') && request.path.startsWith(entry.first.chopped(1)) &&
                (!best || best->first.size() < entry.first.size()))
                best = &entry;
        }
        if (best)
            handler = best->second;
    }
    // Called outside the lock: a handler may ask the server for its requests.
    return handler ? handler(request) : TestHttpResponse::notFound();
}
