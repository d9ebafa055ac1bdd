#pragma once

#include <QByteArray>
#include <QString>

// Turns the bytes of a response body into the text of the page buffer, the way
// the browser pane reads the same page: the charset comes from the byte-order
// mark, else the Content-Type header, else a <meta> declaration near the top of
// the page, else UTF-8 with a Windows-1252 fallback for bodies that are not
// UTF-8. A label browsers do not know counts as no label at all. Every line
// break then becomes CR LF, as the rich-text page buffer of the window holds it.
class PageDecoder
{
public:
    // How the charset was chosen; kept so tests and diagnostics can tell.
    enum class Source
    {
        ByteOrderMark,
        Header,
        Meta,
        Sniffed
    };

    struct Decoded
    {
        QString text;
        QString charset; // the encoding used, upper case, e.g. "UTF-8", "WINDOWS-1252", "SHIFT_JIS"
        Source source = Source::Sniffed;
    };

    // header: the response's header block; only its Content-Type lines are read.
    static Decoded decode(const QByteArray& body, const QString& header);

    // The charset parameter of the last Content-Type line of a header block, or "".
    static QString charsetFromHeader(const QString& header);
    // The charset of a <meta charset> or http-equiv declaration within the first
    // `window` bytes, or "".
    static QString charsetFromMeta(const QByteArray& body, int window = 4096);

    // CR LF, a lone LF and a lone CR each become CR LF.
    static QString normalizeLineBreaks(const QString& text);
};
