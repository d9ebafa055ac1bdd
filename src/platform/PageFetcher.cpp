#include "platform/PageFetcher.h"

#include "Version.h"
#include "platform/LogCategories.h"
#include "platform/PageDecoder.h"

#include <QByteArrayList>
#include <QElapsedTimer>
#include <QThread>
#include <QUrl>
#include <curl/curl.h>
#include <mutex>

namespace {

void ensureCurlInitialised()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct Transfer
{
    QByteArray body;
    qint64 limit = 0;
    bool truncated = false;
    QByteArrayList headerLines; // of the newest response only
    bool headerComplete = false; // the blank line after the newest block arrived
};

size_t onBody(char* data, size_t size, size_t count, void* user)
{
    auto* t = static_cast<Transfer*>(user);
    const qint64 n = qint64(size * count);
    const qint64 room = t->limit - t->body.size();
    if (n > room) {
        // Keep what fits and end the transfer: the error this produces is
        // turned back into a success by the caller.
        t->body.append(data, qMax<qint64>(room, 0));
        t->truncated = true;
        return 0;
    }
    t->body.append(data, n);
    return size * count;
}

size_t onHeader(char* data, size_t size, size_t count, void* user)
{
    auto* t = static_cast<Transfer*>(user);
    QByteArray line(data, qsizetype(size * count));
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    // libcurl hands over the block of every response on the way (redirects,
    // 100 Continue, a proxy's CONNECT answer); a status line opens a new block.
    if (line.startsWith("HTTP/")) {
        t->headerLines.clear();
        t->headerComplete = false;
    }
    if (!line.isEmpty())
        t->headerLines.append(line);
    else
        t->headerComplete = true;
    return size * count;
}

// Spaces and non-ASCII characters are percent-encoded and international host
// names turned into their ASCII form; anything QUrl cannot make sense of goes
// to libcurl as it is, which then refuses it as malformed.
QByteArray encodedUrl(const QString& url)
{
    const QUrl parsed(url, QUrl::TolerantMode);
    if (parsed.isValid() && !parsed.scheme().isEmpty())
        return parsed.toEncoded();
    return url.toUtf8();
}

} // namespace

FetchResult PageFetcher::fetch(const QString& url, const FetchOptions& options,
                               const std::function<bool()>& cancelled)
{
    ensureCurlInitialised();
    FetchResult result;
    result.url = url;
    QElapsedTimer clock;
    clock.start();
    const auto failed = [&](const QString& error) {
        result.error = error;
        qCDebug(lcPlatform, "GET %s failed after %lld ms: %s", qUtf8Printable(url), clock.elapsed(),
                qUtf8Printable(error));
        return result;
    };

    CURL* easy = curl_easy_init();
    if (!easy)
        return failed(QStringLiteral("cannot create a transfer"));
    Transfer transfer;
    transfer.limit = options.maxBodyBytes;
    char errorText[CURL_ERROR_SIZE] = {};
    const QByteArray target = encodedUrl(url);
    static const QByteArray userAgent = QByteArrayLiteral("Quillmark/" QUILLMARK_VERSION_TEXT);
    const QByteArray caBundle = options.caBundle.toLocal8Bit();

    curl_easy_setopt(easy, CURLOPT_URL, target.constData());
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, errorText);
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    // Only the web: never file:, ftp: or the other schemes libcurl speaks, not
    // even when a server redirects there.
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, long(options.maxRedirects));
    // HTTP/2 status lines carry no reason phrase ("HTTP/2 200"), so a valid
    // status entry such as "200 OK" would refuse every such site.
    curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, long(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, long(options.connectTimeoutMs));
    curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, long(options.totalTimeoutMs));
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, long(options.lowSpeedSeconds));
    curl_easy_setopt(easy, CURLOPT_ACCEPT_ENCODING, ""); // every decoder this libcurl has
    curl_easy_setopt(easy, CURLOPT_USERAGENT, userAgent.constData());
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!caBundle.isEmpty())
        curl_easy_setopt(easy, CURLOPT_CAINFO, caBundle.constData());
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &onBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &onHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, &transfer);

    // The multi interface lets a cancellation be seen within a poll interval,
    // also while a connection attempt is pending.
    CURLM* multi = curl_multi_init();
    curl_multi_add_handle(multi, easy);
    CURLcode code = CURLE_OK;
    bool aborted = false;
    int running = 1;
    while (running) {
        const CURLMcode mc = curl_multi_perform(multi, &running);
        if (mc != CURLM_OK) {
            code = CURLE_FAILED_INIT;
            break;
        }
        if (!running)
            break;
        if (cancelled && cancelled()) {
            aborted = true;
            break;
        }
        curl_multi_poll(multi, nullptr, 0, 100, nullptr);
    }
    int pending = 0;
    while (CURLMsg* msg = curl_multi_info_read(multi, &pending)) {
        if (msg->msg == CURLMSG_DONE && msg->easy_handle == easy)
            code = msg->data.result;
    }
    curl_multi_remove_handle(multi, easy);
    curl_multi_cleanup(multi);
    curl_easy_cleanup(easy);

    if (aborted)
        return failed(QStringLiteral("cancelled"));
    if (code == CURLE_WRITE_ERROR && transfer.truncated)
        code = CURLE_OK;
    // libcurl takes a connection closed in the middle of the header block for
    // the end of a body-less response; that answer never arrived whole.
    if (code == CURLE_OK && !transfer.headerComplete)
        return failed(QStringLiteral("the connection closed before the end of the response headers"));
    if (code != CURLE_OK) {
        const QString error = QString::fromUtf8(errorText[0] ? errorText : curl_easy_strerror(code));
        return failed(error.isEmpty() ? QStringLiteral("transfer failed") : error);
    }
    // Header octets are Latin-1 by the protocol's own rules.
    result.header = QString::fromLatin1(transfer.headerLines.join("\r\n"));
    PageDecoder::Decoded decoded = PageDecoder::decode(transfer.body, result.header);
    result.body = std::move(decoded.text);
    result.truncated = transfer.truncated;
    qCDebug(lcPlatform, "GET %s: \"%s\", %lld bytes%s, read as %s, %lld ms", qUtf8Printable(url),
            transfer.headerLines.isEmpty() ? "" : transfer.headerLines.first().constData(),
            qint64(transfer.body.size()), transfer.truncated ? " (cut at the size limit)" : "",
            qUtf8Printable(decoded.charset), clock.elapsed());
    return result;
}

PageFetcher::PageFetcher(QObject* parent, const FetchOptions& options)
    : QObject(parent), m_options(options), m_wanted(std::make_shared<std::atomic<quint64>>(0))
{
    ensureCurlInitialised();
    m_thread = new QThread;
    m_thread->setObjectName(QStringLiteral("PageFetcher"));
    m_worker = new QObject;
    m_worker->moveToThread(m_thread);
    m_thread->start();
}

PageFetcher::~PageFetcher()
{
    m_wanted->store(0); // generation 0 is never handed out: every transfer stops
    m_thread->quit();
    m_thread->wait();
    delete m_worker;
    delete m_thread;
}

void PageFetcher::OpenURL(const QString& url)
{
    const quint64 generation = ++m_generation;
    m_wanted->store(generation);
    m_busy = true;
    const FetchOptions options = m_options;
    const std::shared_ptr<std::atomic<quint64>> wanted = m_wanted;
    QMetaObject::invokeMethod(
        m_worker,
        [this, url, options, wanted, generation] {
            if (wanted->load() != generation)
                return; // superseded while it waited in the queue
            FetchResult result =
                fetch(url, options, [&wanted, generation] { return wanted->load() != generation; });
            if (wanted->load() != generation)
                return;
            // The owner outlives this call: its destructor joins the thread
            // first, and pending posted events die with it.
            QMetaObject::invokeMethod(
                this, [this, generation, result] { deliver(generation, result); }, Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
}

void PageFetcher::abort()
{
    ++m_generation;
    m_wanted->store(m_generation);
    m_busy = false;
}

void PageFetcher::deliver(quint64 generation, const FetchResult& result)
{
    if (generation != m_generation || !m_busy)
        return;
    m_busy = false;
    m_result = result;
    Q_EMIT finished(m_result);
}
