#pragma once

#include <QByteArray>
#include <QString>

// Result of one fetch: the body decoded to text (every line break as CR LF) and
// the header block of the final response, status line first, lines joined by CR
// LF. A failed fetch gives empty texts and an error description.
struct FetchResult
{
    QString url;
    QString body;
    QString header;
    QString error;           // empty when a response arrived
    bool truncated = false;  // the body was cut at FetchOptions::maxBodyBytes
    qint64 bytes = 0;        // body bytes kept, after the transfer's own decompression
    qint64 milliseconds = 0; // from the start of the fetch to its end, waits for a retry included
    // Requests sent for this result: 1, more when the page was asked again, 0
    // when none was (its host was known not to answer, or no transfer began).
    int attempts = 0;
    QString finalUrl; // where the redirects led: the address of the page received; "" when none arrived
    // The body's bytes as they came, instead of body, when FetchOptions::keepBodyBytes asked for them.
    QByteArray bodyBytes;
    // libcurl's code (a CURLcode) when libcurl ended the transfer with an
    // error; 0 when a response arrived or the program ended the transfer
    // itself (time-out, stall, cancel, a host known not to answer). The kind
    // of a failure, where the error text is libcurl's wording of the moment.
    int curlCode = 0;
    bool ok() const { return error.isEmpty(); }
};
