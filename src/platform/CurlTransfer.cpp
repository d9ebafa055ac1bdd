#include "platform/CurlTransfer.h"

#include "Version.h"
#include "platform/LogCategories.h"
#include "platform/PageDecoder.h"

#include <QUrl>
#include <mutex>

namespace {

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

void CurlTransfer::initialiseLibrary()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

CurlTransfer::CurlTransfer(const QString& url, const FetchOptions& options)
    : m_url(url), m_limit(options.maxBodyBytes), m_keepBytes(options.keepBodyBytes),
      m_answerLimitMs(options.answerTimeoutMs), m_stallLimitMs(qint64(options.lowSpeedSeconds) * 1000)
{
    initialiseLibrary();
    m_clock.start();
    m_easy = curl_easy_init();
    if (!m_easy)
        return;
    CURL* easy = m_easy;
    // libcurl copies every string option, so the temporaries may go.
    const QByteArray target = encodedUrl(url);
    static const QByteArray userAgent = QByteArrayLiteral("Quillmark/" QUILLMARK_VERSION_TEXT);
    const QByteArray caBundle = options.caBundle.toLocal8Bit();

    curl_easy_setopt(easy, CURLOPT_URL, target.constData());
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, m_errorText);
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
    // No CURLOPT_LOW_SPEED_TIME: libcurl's check also runs while the answer
    // is awaited, and would end that wait before the time-out the user set.
    // The caller's watch (msUntilDue) tells a stall from a slow answer.
    curl_easy_setopt(easy, CURLOPT_ACCEPT_ENCODING, ""); // every decoder this libcurl has
    curl_easy_setopt(easy, CURLOPT_USERAGENT, userAgent.constData());
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!caBundle.isEmpty())
        curl_easy_setopt(easy, CURLOPT_CAINFO, caBundle.constData());
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &CurlTransfer::onBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &CurlTransfer::onHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, this);
}

CurlTransfer::~CurlTransfer()
{
    if (m_easy)
        curl_easy_cleanup(m_easy);
}

size_t CurlTransfer::onBody(char* data, size_t size, size_t count, void* user)
{
    auto* t = static_cast<CurlTransfer*>(user);
    t->m_awaitingAnswer = false;
    t->m_quietSinceMs = t->m_clock.elapsed();
    const qint64 n = qint64(size * count);
    const qint64 room = t->m_limit - t->m_body.size();
    if (n > room) {
        // Keep what fits and end the transfer: the error this produces is
        // turned back into a success by finish().
        t->m_body.append(data, qMax<qint64>(room, 0));
        t->m_truncated = true;
        return 0;
    }
    t->m_body.append(data, n);
    return size * count;
}

size_t CurlTransfer::onHeader(char* data, size_t size, size_t count, void* user)
{
    auto* t = static_cast<CurlTransfer*>(user);
    QByteArray line(data, qsizetype(size * count));
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    // libcurl hands over the block of every response on the way (redirects,
    // 100 Continue, a proxy's CONNECT answer); a status line opens a new block.
    if (line.startsWith("HTTP/")) {
        t->m_headerLines.clear();
        t->m_headerComplete = false;
        t->m_answered = true;
        t->m_awaitingAnswer = false;
    }
    t->m_quietSinceMs = t->m_clock.elapsed();
    if (!line.isEmpty()) {
        t->m_headerLines.append(line);
        return size * count;
    }
    t->m_headerComplete = true;
    // After an interim answer or a redirect the next answer is awaited, with
    // the whole time-out again. A redirect that is not followed has a body,
    // whose first bytes end that wait.
    const int status = t->statusCode();
    if ((status >= 100 && status < 200) || (status >= 300 && status < 400))
        t->m_awaitingAnswer = true;
    return size * count;
}

qint64 CurlTransfer::msUntilDue() const
{
    const qint64 limit = m_awaitingAnswer ? m_answerLimitMs : m_stallLimitMs;
    if (limit <= 0 || m_expired)
        return -1;
    return qMax<qint64>(0, m_quietSinceMs + limit - m_clock.elapsed());
}

FetchResult CurlTransfer::expire()
{
    m_expired = true;
    const auto span = [](qint64 ms) {
        return ms % 1000 == 0 ? QStringLiteral("%1 s").arg(ms / 1000) : QStringLiteral("%1 ms").arg(ms);
    };
    if (!m_awaitingAnswer)
        return failed(
            QStringLiteral("the transfer stalled: nothing arrived for %1").arg(span(m_stallLimitMs)));
    curl_off_t connected = 0;
    if (m_easy)
        curl_easy_getinfo(m_easy, CURLINFO_CONNECT_TIME_T, &connected);
    return failed(
        (connected > 0 ? QStringLiteral("no answer within %1") : QStringLiteral("no connection within %1"))
            .arg(span(m_answerLimitMs)));
}

CurlTransfer::Failure CurlTransfer::failure(CURLcode code) const
{
    if (m_expired)
        return Failure::TimedOut;
    switch (code) {
    case CURLE_OK:
        return m_headerComplete ? Failure::None : Failure::Reset;
    case CURLE_WRITE_ERROR:
        return m_truncated ? Failure::None : Failure::Other;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_CONNECT:
        return Failure::Unreachable;
    case CURLE_OPERATION_TIMEDOUT:
        return Failure::TimedOut;
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_GOT_NOTHING:
        return Failure::Reset;
    default:
        return Failure::Other;
    }
}

int CurlTransfer::statusCode() const
{
    if (!m_headerComplete || m_headerLines.isEmpty())
        return 0;
    return m_headerLines.first().split(' ').value(1).toInt();
}

QByteArray CurlTransfer::headerValue(const QByteArray& name) const
{
    for (qsizetype i = 1; i < m_headerLines.size(); ++i) {
        const QByteArray& line = m_headerLines[i];
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().compare(name, Qt::CaseInsensitive) == 0)
            return line.mid(colon + 1).trimmed();
    }
    return {};
}

FetchResult CurlTransfer::failed(const QString& error) const
{
    FetchResult result;
    result.url = m_url;
    result.error = error;
    result.milliseconds = m_clock.elapsed();
    qCDebug(lcPlatform, "GET %s failed after %lld ms: %s", qUtf8Printable(m_url), result.milliseconds,
            qUtf8Printable(error));
    return result;
}

FetchResult CurlTransfer::finish(CURLcode code) const
{
    if (code == CURLE_WRITE_ERROR && m_truncated)
        code = CURLE_OK;
    // libcurl takes a connection closed in the middle of the header block for
    // the end of a body-less response; that answer never arrived whole.
    if (code == CURLE_OK && !m_headerComplete)
        return failed(QStringLiteral("the connection closed before the end of the response headers"));
    if (code != CURLE_OK) {
        const QString error = QString::fromUtf8(m_errorText[0] ? m_errorText : curl_easy_strerror(code));
        FetchResult result = failed(error.isEmpty() ? QStringLiteral("transfer failed") : error);
        result.curlCode = int(code);
        return result;
    }
    FetchResult result;
    result.url = m_url;
    // Header octets are Latin-1 by the protocol's own rules.
    result.header = QString::fromLatin1(m_headerLines.join("\r\n"));
    PageDecoder::Decoded decoded;
    if (m_keepBytes) {
        result.bodyBytes = m_body;
        decoded.charset = QStringLiteral("bytes");
    } else {
        decoded = PageDecoder::decode(m_body, result.header);
        result.body = std::move(decoded.text);
    }
    result.truncated = m_truncated;
    result.bytes = m_body.size();
    result.milliseconds = m_clock.elapsed();
    // Links on the page are relative to where the redirects led, not to the
    // address asked for.
    char* effective = nullptr;
    if (curl_easy_getinfo(m_easy, CURLINFO_EFFECTIVE_URL, &effective) == CURLE_OK && effective)
        result.finalUrl = QString::fromUtf8(effective);
    qCDebug(lcPlatform, "GET %s: \"%s\", %lld bytes%s, read as %s, %lld ms", qUtf8Printable(m_url),
            m_headerLines.isEmpty() ? "" : m_headerLines.first().constData(), qint64(m_body.size()),
            m_truncated ? " (cut at the size limit)" : "", qUtf8Printable(decoded.charset),
            result.milliseconds);
    return result;
}
