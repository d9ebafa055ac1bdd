#include "platform/PageDecoder.h"

#include "platform/TextBytes.h"
#include "platform/WebEncoding.h"

#include <QRegularExpression>
#include <optional>

namespace {

QString cleanCharsetName(QString name)
{
    name = name.trimmed();
    while (!name.isEmpty() && (name.front() == u'"' || name.front() == u'\''))
        name.remove(0, 1);
    while (!name.isEmpty() && (name.back() == u'"' || name.back() == u'\''))
        name.chop(1);
    return name.trimmed();
}

} // namespace

QString PageDecoder::charsetFromHeader(const QString& header)
{
    QString contentType;
    for (const QString& line : header.split(u'\n')) {
        if (line.startsWith(QLatin1String("content-type:"), Qt::CaseInsensitive))
            contentType = line.mid(13);
    }
    static const QRegularExpression param(QStringLiteral(R"(;\s*charset\s*=\s*("[^"]*"|[^;\s]*))"),
                                          QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = param.match(contentType);
    return m.hasMatch() ? cleanCharsetName(m.captured(1)) : QString();
}

QString PageDecoder::charsetFromMeta(const QByteArray& body, int window)
{
    // Latin-1 keeps every byte as one character, so the ASCII markup is found
    // whatever the page's real encoding is.
    const QString head = QString::fromLatin1(body.left(window));
    static const QRegularExpression meta(
        QStringLiteral(R"(<meta\b[^>]*?charset\s*=\s*["']?\s*([A-Za-z0-9_.:\-]+))"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = meta.match(head);
    return m.hasMatch() ? m.captured(1) : QString();
}

QString PageDecoder::normalizeLineBreaks(const QString& text)
{
    qsizetype lone = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\r') {
            if (i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
            else
                ++lone;
        } else if (c == u'\n') {
            ++lone;
        }
    }
    if (lone == 0)
        return text;
    QString out;
    out.reserve(text.size() + lone);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\r') {
            out += QLatin1String("\r\n");
            if (i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
        } else if (c == u'\n') {
            out += QLatin1String("\r\n");
        } else {
            out += c;
        }
    }
    return out;
}

PageDecoder::Decoded PageDecoder::decode(const QByteArray& body, const QString& header)
{
    Decoded result;
    std::optional<WebEncoding> encoding;
    QByteArrayView bytes(body);
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        encoding = WebEncoding::utf8();
        bytes = bytes.sliced(3);
    } else if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        encoding = bytes.startsWith("\xFF\xFE") ? WebEncoding::utf16le() : WebEncoding::utf16be();
        bytes = bytes.sliced(2);
    }
    if (encoding) {
        result.source = Source::ByteOrderMark;
    } else if ((encoding = WebEncoding::forLabel(charsetFromHeader(header)))) {
        result.source = Source::Header;
    } else if ((encoding = WebEncoding::forLabel(charsetFromMeta(body)))) {
        // A page that could declare itself in markup is ASCII-compatible, so a
        // meta tag naming UTF-16 is a slip: browsers read such a page as UTF-8.
        // x-user-defined there means Windows-1252 to them as well.
        if (encoding->isUtf16())
            encoding = WebEncoding::utf8();
        else if (encoding->isUserDefined())
            encoding = WebEncoding::windows1252();
        result.source = Source::Meta;
    } else {
        // A body cut off at the size limit may end inside a character: that is
        // still UTF-8, not a reason to fall back.
        const bool utf8 = TextBytes::isUtf8(bytes.chopped(TextBytes::tornUtf8Tail(bytes)));
        encoding = utf8 ? WebEncoding::utf8() : WebEncoding::windows1252();
        result.source = Source::Sniffed;
    }
    // A declared UTF-8 page with a stray bad byte costs one replacement
    // character, not the whole page.
    result.text = normalizeLineBreaks(encoding->decode(bytes));
    result.charset = encoding->name().toUpper();
    return result;
}
