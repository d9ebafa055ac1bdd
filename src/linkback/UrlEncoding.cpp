#include "linkback/UrlEncoding.h"

#include <QByteArray>
#include <cstring>

namespace {

bool mustEncode(char16_t c, UrlEncoding::Set set)
{
    if (c < 0x20 || c > 0x7E)
        return true;
    const auto in = [c](const char* chars) { return c < 0x80 && std::strchr(chars, char(c)) != nullptr; };
    switch (set) {
    case UrlEncoding::Set::Control:
        return false;
    case UrlEncoding::Set::Fragment:
        return in(" \"<>`");
    case UrlEncoding::Set::Query:
        return in(" \"#<>");
    case UrlEncoding::Set::SpecialQuery:
        return in(" \"#<>'");
    case UrlEncoding::Set::Path:
        // Chromium also encodes '|' and '^' in a path, unlike the URL standard;
        // the browser pane is Chromium.
        return in(" \"#<>?`{}|^");
    case UrlEncoding::Set::Userinfo:
        return in(" \"#<>?`{}/:;=@[\\]^|");
    }
    return false;
}

} // namespace

QString UrlEncoding::percentEncoded(const QString& text, Set set)
{
    qsizetype i = 0;
    while (i < text.size() && !mustEncode(text.at(i).unicode(), set))
        ++i;
    if (i == text.size())
        return text;
    QString out = text.left(i);
    static const char hex[] = "0123456789ABCDEF";
    for (; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (!mustEncode(c, set)) {
            out.append(QChar(c));
            continue;
        }
        // A surrogate pair is one code point; toUtf8 turns a lone one into U+FFFD.
        qsizetype length = 1;
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            length = 2;
        const QByteArray bytes = text.mid(i, length).toUtf8();
        for (const char b : bytes) {
            out.append(u'%');
            out.append(QChar(hex[(uchar(b) >> 4) & 0xF]));
            out.append(QChar(hex[uchar(b) & 0xF]));
        }
        i += length - 1;
    }
    return out;
}

QString UrlEncoding::unreservedDecoded(const QString& segment)
{
    if (!segment.contains(u'%'))
        return segment;
    const auto hex = [](QChar c) {
        const char16_t u = c.unicode();
        return u >= u'0' && u <= u'9'   ? u - u'0'
               : u >= u'a' && u <= u'f' ? u - u'a' + 10
               : u >= u'A' && u <= u'F' ? u - u'A' + 10
                                        : -1;
    };
    QString out;
    out.reserve(segment.size());
    for (qsizetype i = 0; i < segment.size(); ++i) {
        if (segment.at(i) == u'%' && i + 2 < segment.size() && hex(segment.at(i + 1)) >= 0 &&
            hex(segment.at(i + 2)) >= 0) {
            const QChar c(char16_t(hex(segment.at(i + 1)) * 16 + hex(segment.at(i + 2))));
            if (c.isLetterOrNumber() && c.unicode() < 0x80) {
                out += c;
                i += 2;
                continue;
            }
            if (c == u'-' || c == u'.' || c == u'_' || c == u'~') {
                out += c;
                i += 2;
                continue;
            }
        }
        out += segment.at(i);
    }
    return out;
}
