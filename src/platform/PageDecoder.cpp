#include "platform/PageDecoder.h"

#include <QRegularExpression>
#include <QStringList>
#include <cerrno>
#include <iconv.h>

namespace {

// 0x80..0x9F of Windows-1252. The five holes map to the C1 controls of the same
// value, as browsers do, so no byte is ever lost.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

enum class Known
{
    Utf8,
    Cp1252,
    Other
};

// Latin-1 and ASCII labels mean Windows-1252 on the web: servers that declare
// ISO-8859-1 routinely send curly quotes from the 0x80..0x9F range.
Known classify(const QString& name)
{
    static const QStringList utf8 = {QStringLiteral("utf-8"), QStringLiteral("utf8"),
                                     QStringLiteral("unicode-1-1-utf-8")};
    static const QStringList cp1252 = {
        QStringLiteral("windows-1252"), QStringLiteral("cp1252"),    QStringLiteral("x-cp1252"),
        QStringLiteral("iso-8859-1"),   QStringLiteral("iso8859-1"), QStringLiteral("iso_8859-1"),
        QStringLiteral("latin1"),       QStringLiteral("latin-1"),   QStringLiteral("l1"),
        QStringLiteral("us-ascii"),     QStringLiteral("ascii"),     QStringLiteral("iso-ir-100"),
        QStringLiteral("ibm819"),       QStringLiteral("cp819"),     QStringLiteral("csisolatin1"),
    };
    const QString lower = name.toLower();
    if (utf8.contains(lower))
        return Known::Utf8;
    if (cp1252.contains(lower))
        return Known::Cp1252;
    return Known::Other;
}

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

bool PageDecoder::isValidUtf8(const QByteArray& bytes)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype n = bytes.size();
    qsizetype i = 0;
    while (i < n) {
        const unsigned char c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        int extra;
        unsigned int min;
        unsigned int cp;
        if (c >= 0xC2 && c <= 0xDF) {
            extra = 1;
            min = 0x80;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            extra = 2;
            min = 0x800;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            extra = 3;
            min = 0x10000;
            cp = c & 0x07;
        } else {
            return false;
        }
        for (int k = 1; k <= extra; ++k) {
            // A body cut at the size limit may end inside a character: that is
            // still UTF-8, not a reason to fall back.
            if (i + k >= n)
                return true;
            const unsigned char cc = p[i + k];
            if ((cc & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (cc & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += extra + 1;
    }
    return true;
}

QString PageDecoder::fromWindows1252(const QByteArray& bytes)
{
    QString out(bytes.size(), Qt::Uninitialized);
    QChar* d = out.data();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        d[i] = (c >= 0x80 && c <= 0x9F) ? QChar(kCp1252High[c - 0x80]) : QChar(c);
    }
    return out;
}

bool PageDecoder::decodeNamed(const QByteArray& bytes, const QString& charset, QString* out)
{
    const QByteArray name = charset.toLatin1();
    iconv_t cd = iconv_open("UTF-8", name.constData());
    if (cd == reinterpret_cast<iconv_t>(-1))
        return false;
    QByteArray utf8;
    utf8.reserve(bytes.size() * 2 + 16);
    char buffer[16384];
    char* in = const_cast<char*>(bytes.constData());
    size_t inLeft = size_t(bytes.size());
    while (inLeft > 0) {
        char* outPtr = buffer;
        size_t outLeft = sizeof buffer;
        const size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        utf8.append(buffer, outPtr - buffer);
        if (rc == size_t(-1)) {
            if (errno == E2BIG)
                continue;
            // An invalid or cut-off sequence: one replacement character, then resync.
            utf8.append("\xEF\xBF\xBD");
            ++in;
            --inLeft;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    char* outPtr = buffer;
    size_t outLeft = sizeof buffer;
    iconv(cd, nullptr, nullptr, &outPtr, &outLeft); // flush a stateful encoding's shift state
    utf8.append(buffer, outPtr - buffer);
    iconv_close(cd);
    *out = QString::fromUtf8(utf8);
    return true;
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
    if (body.startsWith("\xEF\xBB\xBF")) {
        result.text = QString::fromUtf8(body.mid(3));
        result.charset = QStringLiteral("UTF-8");
        result.source = Source::ByteOrderMark;
    } else if (body.startsWith("\xFF\xFE") || body.startsWith("\xFE\xFF")) {
        const bool little = body.startsWith("\xFF\xFE");
        result.charset = little ? QStringLiteral("UTF-16LE") : QStringLiteral("UTF-16BE");
        result.source = Source::ByteOrderMark;
        if (!decodeNamed(body.mid(2), result.charset, &result.text))
            result.text = fromWindows1252(body);
    } else {
        const QString declaredHeader = charsetFromHeader(header);
        const QString declaredMeta = declaredHeader.isEmpty() ? charsetFromMeta(body) : QString();
        const QString declared = declaredHeader.isEmpty() ? declaredMeta : declaredHeader;
        const Source source = declaredHeader.isEmpty() ? Source::Meta : Source::Header;
        bool done = false;
        if (!declared.isEmpty()) {
            switch (classify(declared)) {
            case Known::Utf8:
                // Declared UTF-8 stays UTF-8: a stray bad byte costs one
                // replacement character, not the whole page.
                result.text = QString::fromUtf8(body);
                result.charset = QStringLiteral("UTF-8");
                done = true;
                break;
            case Known::Cp1252:
                result.text = fromWindows1252(body);
                result.charset = QStringLiteral("WINDOWS-1252");
                done = true;
                break;
            case Known::Other:
                // A meta tag can only name an ASCII-compatible encoding: UTF-16
                // there is a copy-paste slip that browsers ignore too.
                if (source == Source::Meta &&
                    declared.startsWith(QLatin1String("utf-16"), Qt::CaseInsensitive))
                    break;
                done = decodeNamed(body, declared, &result.text);
                if (done)
                    result.charset = declared.toUpper();
                break;
            }
            if (done)
                result.source = source;
        }
        if (!done) {
            result.source = Source::Sniffed;
            if (isValidUtf8(body)) {
                result.text = QString::fromUtf8(body);
                result.charset = QStringLiteral("UTF-8");
            } else {
                result.text = fromWindows1252(body);
                result.charset = QStringLiteral("WINDOWS-1252");
            }
        }
    }
    result.text = normalizeLineBreaks(result.text);
    return result;
}
