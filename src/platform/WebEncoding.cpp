#include "platform/WebEncoding.h"

#include "platform/TextBytes.h"
#include "platform/WebEncodingTable.h"

#include <cerrno>
#include <iconv.h>

namespace {

using namespace WebEncodingTable;

bool isAsciiBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\f' || c == u'\r';
}

// Whether text, in any letter case, is the lower-case label of `length` characters.
bool equalsLabel(QStringView text, const char* label, qsizetype length)
{
    if (text.size() != length)
        return false;
    for (qsizetype i = 0; i < length; ++i) {
        char16_t c = text[i].unicode();
        if (c >= u'A' && c <= u'Z')
            c = char16_t(c + (u'a' - u'A'));
        if (c != char16_t(static_cast<unsigned char>(label[i])))
            return false;
    }
    return true;
}

using ByteTable = std::array<char16_t, 128>;

// Bytes 0x80..0xFF of a single-byte encoding, each read by iconv on its own.
ByteTable buildTable(int index)
{
    const Encoding& e = kEncodings[size_t(index)];
    ByteTable table;
    table.fill(u'\uFFFD');
    iconv_t cd = iconv_open("UTF-16LE", e.iconv);
    if (cd != reinterpret_cast<iconv_t>(-1)) {
        for (int b = 0x80; b <= 0xFF; ++b) {
            char in = char(b);
            char* inPtr = &in;
            size_t inLeft = 1;
            unsigned char out[8];
            char* outPtr = reinterpret_cast<char*>(out);
            size_t outLeft = sizeof out;
            const size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
            // A converter that waits for a combining mark hands the base letter out on flush.
            iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
            if (rc != size_t(-1) && sizeof out - outLeft == 2)
                table[size_t(b - 0x80)] = char16_t(out[0] | (out[1] << 8));
        }
        iconv_close(cd);
    }
    // Windows gives the code page's unused bytes in 0x80..0x9F the C1 control
    // of the same value, and so do browsers; glibc refuses them.
    if (e.windowsHoles) {
        for (int b = 0x80; b <= 0x9F; ++b) {
            if (table[size_t(b - 0x80)] == u'\uFFFD')
                table[size_t(b - 0x80)] = char16_t(b);
        }
    }
    for (const ByteOverride& o : kOverrides) {
        if (o.encoding == index)
            table[size_t(o.byte - 0x80)] = o.character;
    }
    return table;
}

QString decodeSingleByte(int index, QByteArrayView bytes)
{
    // Built once, on first use, from the converters themselves.
    static const std::array<ByteTable, EncodingCount> tables = [] {
        std::array<ByteTable, EncodingCount> all{};
        for (int i = 0; i < EncodingCount; ++i) {
            if (kEncodings[size_t(i)].kind == Kind::SingleByte)
                all[size_t(i)] = buildTable(i);
        }
        return all;
    }();
    const ByteTable& table = tables[size_t(index)];
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        *out++ = b < 0x80 ? QChar(b) : QChar(table[b - 0x80]);
    }
    return text;
}

// euroAt80: the GB18030 family, whose decoder in browsers reads a lone 0x80
// as the euro sign (the byte Windows' code page 936 gave it), where glibc
// refuses it.
// shifted: the encoding switches modes with escape sequences (ISO-2022-JP),
// and a bad byte leaves the mode as it was, as browsers read it.
QString decodeMultiByte(const char* converter, bool euroAt80, bool shifted, QByteArrayView bytes)
{
    iconv_t cd = iconv_open("UTF-8", converter);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return TextBytes::fromWindows1252(bytes);
    QByteArray utf8;
    utf8.reserve(bytes.size() * 2 + 16);
    char buffer[16384];
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = size_t(bytes.size());
    while (inLeft > 0) {
        char* outPtr = buffer;
        size_t outLeft = sizeof buffer;
        const size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        utf8.append(buffer, outPtr - buffer);
        if (rc == size_t(-1)) {
            if (errno == E2BIG)
                continue;
            // An invalid or cut-off sequence: one replacement character for
            // its first byte, then the next byte starts afresh, so an ASCII
            // byte after a bad lead byte is kept.
            utf8.append(euroAt80 && static_cast<unsigned char>(*in) == 0x80 ? "\xE2\x82\xAC"
                                                                            : "\xEF\xBF\xBD");
            ++in;
            --inLeft;
            if (!shifted)
                iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    char* outPtr = buffer;
    size_t outLeft = sizeof buffer;
    iconv(cd, nullptr, nullptr, &outPtr, &outLeft); // what a stateful converter still holds
    utf8.append(buffer, outPtr - buffer);
    iconv_close(cd);
    return QString::fromUtf8(utf8);
}

QString decodeUtf16(QByteArrayView bytes, bool little)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const qsizetype units = bytes.size() / 2;
    QString text;
    text.reserve(units + 1);
    const auto unit = [&](qsizetype i) {
        return char16_t(little ? p[2 * i] | (p[2 * i + 1] << 8) : (p[2 * i] << 8) | p[2 * i + 1]);
    };
    for (qsizetype i = 0; i < units; ++i) {
        const char16_t u = unit(i);
        if (QChar::isHighSurrogate(u) && i + 1 < units && QChar::isLowSurrogate(unit(i + 1))) {
            text += QChar(u);
            text += QChar(unit(++i));
        } else {
            text += QChar::isSurrogate(u) ? QChar(QChar::ReplacementCharacter) : QChar(u);
        }
    }
    if (bytes.size() % 2 != 0)
        text += QChar(QChar::ReplacementCharacter); // half a code unit at the end
    return text;
}

QString decodeUserDefined(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        *out++ = b < 0x80 ? QChar(b) : QChar(char16_t(0xF780 + b - 0x80));
    }
    return text;
}

} // namespace

std::optional<WebEncoding> WebEncoding::forLabel(QStringView label)
{
    while (!label.isEmpty() && isAsciiBlank(label.front()))
        label = label.sliced(1);
    while (!label.isEmpty() && isAsciiBlank(label.back()))
        label.chop(1);
    for (const Labels& entry : kLabels) {
        const char* p = entry.labels;
        while (*p != '\0') {
            const char* end = p;
            while (*end != '\0' && *end != ' ')
                ++end;
            if (equalsLabel(label, p, end - p))
                return WebEncoding(entry.encoding);
            p = *end == ' ' ? end + 1 : end;
        }
    }
    return std::nullopt;
}

WebEncoding WebEncoding::utf8()
{
    return WebEncoding(Utf8);
}

WebEncoding WebEncoding::utf16le()
{
    return WebEncoding(Utf16Le);
}

WebEncoding WebEncoding::utf16be()
{
    return WebEncoding(Utf16Be);
}

WebEncoding WebEncoding::windows1252()
{
    return WebEncoding(Windows1252);
}

QString WebEncoding::name() const
{
    return QString::fromLatin1(kEncodings[size_t(m_index)].name);
}

bool WebEncoding::isUtf8() const
{
    return m_index == Utf8;
}

bool WebEncoding::isUtf16() const
{
    return m_index == Utf16Le || m_index == Utf16Be;
}

bool WebEncoding::isUserDefined() const
{
    return m_index == XUserDefined;
}

QString WebEncoding::decode(QByteArrayView bytes) const
{
    const Encoding& e = kEncodings[size_t(m_index)];
    switch (e.kind) {
    case Kind::Utf8:
        return TextBytes::fromUtf8(bytes);
    case Kind::Utf16Le:
    case Kind::Utf16Be:
        return decodeUtf16(bytes, e.kind == Kind::Utf16Le);
    case Kind::Windows1252:
        return TextBytes::fromWindows1252(bytes);
    case Kind::SingleByte:
        return decodeSingleByte(m_index, bytes);
    case Kind::MultiByte:
        return decodeMultiByte(e.iconv, m_index == Gbk || m_index == Gb18030, m_index == Iso2022Jp, bytes);
    case Kind::UserDefined:
        return decodeUserDefined(bytes);
    case Kind::Replacement:
        // The whole body is one error: nothing of it may be read as markup.
        return bytes.isEmpty() ? QString() : QString(QChar(QChar::ReplacementCharacter));
    }
    return QString();
}
