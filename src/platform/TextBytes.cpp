#include "platform/TextBytes.h"

#include <QStringDecoder>
#include <algorithm>

namespace {

constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// The length of the character a lead byte starts, 0 for a byte that cannot
// start one (a continuation byte, an overlong lead C0/C1, F5 and above).
int sequenceLength(unsigned char lead)
{
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        return 2;
    if (lead >= 0xE0 && lead <= 0xEF)
        return 3;
    if (lead >= 0xF0 && lead <= 0xF4)
        return 4;
    return 0;
}

// The second byte's range narrows for some leads: that is what rules out
// overlong forms, surrogates and code points above U+10FFFF.
bool secondByteFits(unsigned char lead, unsigned char second)
{
    switch (lead) {
    case 0xE0:
        return second >= 0xA0 && second <= 0xBF;
    case 0xED:
        return second >= 0x80 && second <= 0x9F;
    case 0xF0:
        return second >= 0x90 && second <= 0xBF;
    case 0xF4:
        return second >= 0x80 && second <= 0x8F;
    default:
        return (second & 0xC0) == 0x80;
    }
}

// Whether bytes[0..count) is a correct beginning (or the whole) of one character.
bool prefixFits(const unsigned char* p, qsizetype count)
{
    if (count >= 2 && !secondByteFits(p[0], p[1]))
        return false;
    for (qsizetype k = 2; k < count; ++k) {
        if ((p[k] & 0xC0) != 0x80)
            return false;
    }
    return true;
}

} // namespace

bool TextBytes::isUtf8(QByteArrayView bytes)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const qsizetype n = bytes.size();
    qsizetype i = 0;
    while (i < n) {
        // Runs of ASCII are the common case; skip them word by word.
        while (i + 8 <= n) {
            quint64 word;
            std::copy_n(p + i, 8, reinterpret_cast<unsigned char*>(&word));
            if (word & 0x8080808080808080ULL)
                break;
            i += 8;
        }
        if (i >= n)
            break;
        if (p[i] < 0x80) {
            ++i;
            continue;
        }
        const int length = sequenceLength(p[i]);
        if (length == 0 || i + length > n || !prefixFits(p + i, length))
            return false;
        i += length;
    }
    return true;
}

qsizetype TextBytes::tornUtf8Tail(QByteArrayView bytes)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const qsizetype n = bytes.size();
    for (qsizetype k = 1; k <= 3 && k <= n; ++k) {
        const unsigned char b = p[n - k];
        if ((b & 0xC0) == 0x80)
            continue;
        return sequenceLength(b) > k && prefixFits(p + n - k, k) ? k : 0;
    }
    return 0;
}

bool TextBytes::hasNonAscii(QByteArrayView bytes)
{
    return std::any_of(bytes.begin(), bytes.end(), [](char c) { return uchar(c) >= 0x80; });
}

QString TextBytes::fromUtf8(QByteArrayView bytes)
{
    QStringDecoder utf8(QStringConverter::Utf8,
                        QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
    return utf8.decode(bytes);
}

QString TextBytes::fromWindows1252(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        *out++ = (b >= 0x80 && b < 0xA0) ? QChar(kCp1252High[b - 0x80]) : QChar(b);
    }
    return text;
}
