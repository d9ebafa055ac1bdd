#pragma once

#include "platform/PageFetcher.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QElapsedTimer>
#include <QString>
#include <curl/curl.h>

// One GET as both fetchers run it: a libcurl easy handle set up with the
// program's request options, the collection of the final response's header
// block and of the body up to the size limit, and the turning of libcurl's
// outcome into a FetchResult. The caller drives the handle on a multi handle
// of its own. Not copyable and not movable: libcurl holds pointers into it.
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
    bool m_truncated = false;
    QByteArrayList m_headerLines; // of the newest response only
    bool m_headerComplete = false; // the blank line after the newest block arrived
};
