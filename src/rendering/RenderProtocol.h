#pragma once

#include "rendering/RenderLimits.h"
#include "rendering/RenderResult.h"

#include <QByteArray>
#include <QUrl>

// The lines quillmark-render reads and writes: one JSON object a line, a
// request on its standard input, its answer on its standard output.
//
//   request: {"id":1,"url":"https://...","timeoutMs":15000,"quietMs":500,
//             "maxBytes":16777216,"userAgent":"Quillmark/1.0.0"}
//   answer:  {"id":1,"url":"<final address>","status":0,"ms":812,
//             "end":"settled","error":"","html":"<html>...</html>"}
//
// "end" is one of "settled", "time limit", "crashed", "too large" and
// "load failed"; "status" is 0 when the engine does not tell it. Both sides use
// this class, so the two ends of the pipe cannot drift apart.
class RenderProtocol
{
public:
    struct Request
    {
        quint64 id = 0;
        QUrl url;
        RenderLimits limits;
    };

    // One line, ending in a line feed.
    static QByteArray requestLine(const Request& request);
    // A request line, with or without its line feed. Missing limits take their
    // defaults; false, with the reason, when the line is no request.
    static bool parseRequest(const QByteArray& line, Request* request, QString* error);

    // One line, ending in a line feed. JSON escapes every line break inside
    // the markup, so the line holds the whole answer.
    static QByteArray answerLine(quint64 id, const RenderResult& result);
    // An answer line; the requested address is left for the caller to fill in.
    static bool parseAnswer(const QByteArray& line, quint64* id, RenderResult* result);
};
