#pragma once

#include <QMetaType>
#include <QString>
#include <QUrl>

// Why the rendering of a page stopped.
enum class RenderEnd
{
    Settled,    // loaded, and no request started for the quiet time
    TimeLimit,  // the time limit came first: the markup is the page as it stood then
    Crashed,    // the browser's process for the page ended
    TooLarge,   // the markup was larger than allowed, and is left out
    LoadFailed, // the page itself could not be loaded (refused, no such host...)
    Failed,     // the renderer failed, not the page: it could not start, died or hung
};

// The words the renderer's answers and the messages use for each end.
QString renderEndText(RenderEnd end);
// The end named by a text of renderEndText; false when none is.
bool renderEndFromText(const QString& text, RenderEnd* end);

// One rendered page. html is document.documentElement.outerHTML after the
// page's scripts ran: markup the scripts wrote is there, markup they removed
// is not. As in any browser with scripts on, a <noscript> element holds its
// content as raw text, which the serializer writes back unescaped: a parser
// with scripting off reads it as markup again.
struct RenderResult
{
    RenderEnd end = RenderEnd::Failed;
    QUrl url;      // the address asked for
    QUrl finalUrl; // the page's address at the end, after redirects and scripts
    // The HTTP status of the page when the engine tells it: the status of an
    // error answer (400 and up) that still had a page. 0 means unknown, which
    // is the case for every successful answer.
    int status = 0;
    QString html;         // empty unless the page was read (settled or time limit)
    qint64 elapsedMs = 0; // from the request's start in the renderer to its answer
    QString error;        // what went wrong, for LoadFailed, Crashed, TooLarge and Failed

    // Whether html holds the page's markup. A page whose scripts kept the
    // engine busy to the end of its time comes back at its time limit without.
    bool hasMarkup() const
    {
        return (end == RenderEnd::Settled || end == RenderEnd::TimeLimit) && !html.isEmpty();
    }
};

Q_DECLARE_METATYPE(RenderResult)
