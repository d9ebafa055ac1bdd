#pragma once

#include "platform/FetchOptions.h"
#include "platform/FetchResult.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QElapsedTimer>
#include <QString>
#include <curl/curl.h>

// One GET as both fetchers run it: a libcurl easy handle set up with the
// program's request options, the collection of the final response's header
// block and of the body up to the size limit, and the turning of libcurl's
// outcome into a FetchResult. The caller drives the handle on a multi handle
// of its own, and also keeps the watch on silence: msUntilDue() says when the
// wait for an answer (FetchOptions::answerTimeoutMs) or a stall
// (lowSpeedSeconds) runs out, and expire() then ends the transfer. Not
// copyable and not movable: libcurl holds pointers into it.
class CurlTransfer
{
public:
    CurlTransfer(const QString& url, const FetchOptions& options);
    ~CurlTransfer();
    CurlTransfer(const CurlTransfer&) = delete;
    CurlTransfer& operator=(const CurlTransfer&) = delete;

    // Once per process, before any handle is made; safe to call again.
    static void initialiseLibrary();

    // Null when libcurl could not make a handle; finish with failed() then.
    CURL* handle() const { return m_easy; }
    const QString& url() const { return m_url; }

    // The result of the finished transfer, given libcurl's code for it.
    FetchResult finish(CURLcode code) const;
    // A result that carries only this error.
    FetchResult failed(const QString& error) const;

    // Milliseconds until the server's silence ends the transfer: 0 when it
    // is due, -1 when no limit applies now. The time counts from the start,
    // from the end of each header block (the next answer of a redirect
    // chain is awaited then) and from every byte received.
    qint64 msUntilDue() const;
    // The result of a transfer the caller ended at its due time: what the
    // server failed to do, and for how long.
    FetchResult expire();

    // How a transfer went wrong, as far as asking again is concerned.
    enum class Failure
    {
        None,        // a whole answer arrived (whatever its status)
        Unreachable, // the name did not resolve, or the connection was refused
        TimedOut,    // a time limit ran out
        Reset,       // the connection broke before the answer was whole
        Other        // anything else: TLS, the protocol, too many redirects
    };
    Failure failure(CURLcode code) const;
    // Whether any answer began to arrive (a status line), on any hop.
    bool answered() const { return m_answered; }
    // How long the server has sent nothing.
    qint64 quietMs() const { return m_clock.elapsed() - m_quietSinceMs; }

    // What arrived, for a caller that looks at the answer before finish():
    // the status code of the final response (0 when none arrived whole) and
    // the value of its first header line of that name (case-insensitive).
    int statusCode() const;
    QByteArray headerValue(const QByteArray& name) const;

private:
    static size_t onBody(char* data, size_t size, size_t count, void* user);
    static size_t onHeader(char* data, size_t size, size_t count, void* user);

    QString m_url;
    CURL* m_easy = nullptr;
    QElapsedTimer m_clock;
    char m_errorText[CURL_ERROR_SIZE] = {};
    QByteArray m_body;
    qint64 m_limit = 0;
    bool m_keepBytes = false;
    bool m_truncated = false;
    QByteArrayList m_headerLines;  // of the newest response only
    bool m_headerComplete = false; // the blank line after the newest block arrived
    bool m_answered = false;
    // The watch on silence: what is awaited (an answer, or more of one) and
    // since when nothing has come, on m_clock.
    bool m_awaitingAnswer = true;
    qint64 m_quietSinceMs = 0;
    qint64 m_answerLimitMs = 0;
    qint64 m_stallLimitMs = 0;
    bool m_expired = false;
};
