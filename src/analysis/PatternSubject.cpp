#include "analysis/PatternSubject.h"

#include "analysis/PatternCaseFolding.h"

#include <algorithm>
#ifdef __SSE2__
#include <immintrin.h>
#endif

namespace {

// Bytes between two checkpoints of the index from byte offsets to unit
// offsets.
constexpr size_t kBlock = 256;

bool isContinuation(char byte)
{
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

// Sixteen units as bytes (their forms with Forms) when they are ASCII. The
// result is how many leading units were ASCII: 16 bytes are always written,
// the first that many of them right.
template <bool Forms> inline int asciiPrefix(const char16_t* in, char* out)
{
#ifdef __SSE2__
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 8));
    // A lane of all ones for each ASCII unit, packed to a byte each.
    const __m128i notAscii = _mm_set1_epi16(static_cast<short>(0xFF80));
    const __m128i isAscii = _mm_packs_epi16(_mm_cmpeq_epi16(_mm_and_si128(a, notAscii), _mm_setzero_si128()),
                                            _mm_cmpeq_epi16(_mm_and_si128(b, notAscii), _mm_setzero_si128()));
    const int high = ~_mm_movemask_epi8(isAscii) & 0xFFFF;
    __m128i bytes = _mm_packus_epi16(a, b);
    if (Forms) {
        // 'a'..'z' less 0x20.
        const __m128i lower = _mm_and_si128(_mm_cmpgt_epi8(bytes, _mm_set1_epi8('a' - 1)),
                                            _mm_cmplt_epi8(bytes, _mm_set1_epi8('z' + 1)));
        bytes = _mm_sub_epi8(bytes, _mm_and_si128(lower, _mm_set1_epi8(0x20)));
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), bytes);
    return high == 0 ? 16 : __builtin_ctz(unsigned(high));
#else
    int k = 0;
    for (; k < 16 && in[k] < 0x80; ++k)
        out[k] = char(Forms && in[k] >= u'a' && in[k] <= u'z' ? in[k] - 0x20 : in[k]);
    return k;
#endif
}

// One unit of 0x80 or more: two bytes, three, or four for a surrogate.
inline char* putUnit(char16_t u, char* out)
{
    if (u < 0x800) {
        *out++ = char(0xC0 | (u >> 6));
        *out++ = char(0x80 | (u & 0x3F));
    } else if ((u & 0xF800) == 0xD800) {
        const char32_t cp = 0xF0000 + (u - 0xD800);
        *out++ = char(0xF0 | (cp >> 18));
        *out++ = char(0x80 | ((cp >> 12) & 0x3F));
        *out++ = char(0x80 | ((cp >> 6) & 0x3F));
        *out++ = char(0x80 | (cp & 0x3F));
    } else {
        *out++ = char(0xE0 | (u >> 12));
        *out++ = char(0x80 | ((u >> 6) & 0x3F));
        *out++ = char(0x80 | (u & 0x3F));
    }
    return out;
}

#ifdef __SSE2__
// Eight units of text in a language written in Latin, Greek or Cyrillic
// letters: each below 0x800, so one or two bytes of UTF-8. The two bytes of
// every unit are made side by side, then the second byte of each ASCII unit
// is squeezed out by a shuffle chosen by which units are ASCII. Needs
// SSSE3's byte shuffle, which nearly every x86-64 processor has; the
// caller asks first.
struct TwoByteShuffles
{
    alignas(16) unsigned char order[256][16];
    unsigned char length[256];

    TwoByteShuffles()
    {
        for (int mask = 0; mask < 256; ++mask) {
            int out = 0;
            for (int k = 0; k < 8; ++k) {
                order[mask][out++] = static_cast<unsigned char>(2 * k);
                if (!(mask & (1 << k)))
                    order[mask][out++] = static_cast<unsigned char>(2 * k + 1);
            }
            length[mask] = static_cast<unsigned char>(out);
            for (; out < 16; ++out)
                order[mask][out] = 0x80; // a zero byte
        }
    }
};

__attribute__((target("ssse3"))) inline int twoByteBlock(__m128i v, char* out)
{
    static const TwoByteShuffles shuffles;
    // Any unit of 0x800 or more (a three-byte character or a surrogate)?
    if (_mm_movemask_epi8(_mm_cmpeq_epi16(_mm_and_si128(v, _mm_set1_epi16(static_cast<short>(0xF800))),
                                          _mm_setzero_si128())) != 0xFFFF)
        return 0;
    const __m128i ascii = _mm_cmpeq_epi16(_mm_and_si128(v, _mm_set1_epi16(static_cast<short>(0xFF80))),
                                          _mm_setzero_si128());
    // First byte 0xC0 | u >> 6, second 0x80 | u & 0x3F, in one 16-bit lane.
    const __m128i first = _mm_or_si128(_mm_srli_epi16(v, 6), _mm_set1_epi16(0xC0));
    const __m128i second = _mm_slli_epi16(_mm_or_si128(_mm_and_si128(v, _mm_set1_epi16(0x3F)), _mm_set1_epi16(0x80)), 8);
    const __m128i two = _mm_or_si128(first, second);
    const __m128i lanes = _mm_or_si128(_mm_and_si128(ascii, v), _mm_andnot_si128(ascii, two));
    const int mask = _mm_movemask_epi8(_mm_packs_epi16(ascii, _mm_setzero_si128())) & 0xFF;
    const __m128i order = _mm_load_si128(reinterpret_cast<const __m128i*>(shuffles.order[mask]));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_shuffle_epi8(lanes, order));
    return shuffles.length[mask];
}

// Eight units of any mix of one, two and three bytes (no surrogate), four at
// a time: each unit's bytes are made in a 32-bit lane, then squeezed
// together by a shuffle chosen by the units' lengths.
struct MixedShuffles
{
    alignas(16) unsigned char order[256][16];
    unsigned char length[256];

    // Index: bit k set when unit k takes two bytes or more, bit 4 + k when
    // it takes three.
    MixedShuffles()
    {
        for (int key = 0; key < 256; ++key) {
            int out = 0;
            for (int k = 0; k < 4; ++k) {
                const int bytes = 1 + ((key >> k) & 1) + ((key >> (4 + k)) & 1);
                for (int b = 0; b < bytes; ++b)
                    order[key][out++] = static_cast<unsigned char>(4 * k + b);
            }
            length[key] = static_cast<unsigned char>(out);
            for (; out < 16; ++out)
                order[key][out] = 0x80;
        }
    }
};

__attribute__((target("ssse3"), always_inline)) inline char* mixedQuarter(__m128i u, char* out)
{
    static const MixedShuffles shuffles;
    const __m128i low6 = _mm_set1_epi32(0x3F);
    const __m128i atLeastTwo = _mm_cmpgt_epi32(u, _mm_set1_epi32(0x7F));
    const __m128i three = _mm_cmpgt_epi32(u, _mm_set1_epi32(0x7FF));
    const __m128i lastByte = _mm_or_si128(_mm_and_si128(u, low6), _mm_set1_epi32(0x80));
    const __m128i two = _mm_or_si128(_mm_or_si128(_mm_srli_epi32(u, 6), _mm_set1_epi32(0xC0)),
                                     _mm_slli_epi32(lastByte, 8));
    const __m128i middle = _mm_or_si128(_mm_and_si128(_mm_srli_epi32(u, 6), low6), _mm_set1_epi32(0x80));
    const __m128i threeBytes = _mm_or_si128(_mm_or_si128(_mm_srli_epi32(u, 12), _mm_set1_epi32(0xE0)),
                                            _mm_or_si128(_mm_slli_epi32(middle, 8), _mm_slli_epi32(lastByte, 16)));
    __m128i lanes = _mm_or_si128(_mm_andnot_si128(atLeastTwo, u), _mm_andnot_si128(three, _mm_and_si128(atLeastTwo, two)));
    lanes = _mm_or_si128(lanes, _mm_and_si128(three, threeBytes));
    const int key = _mm_movemask_ps(_mm_castsi128_ps(atLeastTwo)) | (_mm_movemask_ps(_mm_castsi128_ps(three)) << 4);
    const __m128i order = _mm_load_si128(reinterpret_cast<const __m128i*>(shuffles.order[key]));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_shuffle_epi8(lanes, order));
    return out + shuffles.length[key];
}

__attribute__((target("ssse3"))) inline int mixedBlock(__m128i v, char* out)
{
    const __m128i top = _mm_and_si128(v, _mm_set1_epi16(static_cast<short>(0xF800)));
    if (_mm_movemask_epi8(_mm_cmpeq_epi16(top, _mm_set1_epi16(static_cast<short>(0xD800)))) != 0)
        return 0;
    char* end = mixedQuarter(_mm_unpacklo_epi16(v, _mm_setzero_si128()), out);
    end = mixedQuarter(_mm_unpackhi_epi16(v, _mm_setzero_si128()), end);
    return int(end - out);
}

bool haveSsse3()
{
    static const bool have = __builtin_cpu_supports("ssse3");
    return have;
}

// Sixteen ASCII units?
inline bool asciiAhead(const char16_t* in)
{
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 8));
    return _mm_movemask_epi8(_mm_cmpeq_epi16(_mm_and_si128(_mm_or_si128(a, b), _mm_set1_epi16(static_cast<short>(0xFF80))),
                                             _mm_setzero_si128())) == 0xFFFF;
}

// Blocks of eight units in a row (their forms with Forms) for as long as
// they do not hold a surrogate, until a few hundred bytes are written (the
// caller places its checkpoints between calls) or sixteen ASCII units come
// next, which the caller takes faster. Needs SSSE3, which the caller asks
// for. The result is how many units were written.
template <bool Forms>
__attribute__((target("ssse3"))) qsizetype blocksOfEight(const char16_t* p, qsizetype n, char*& out,
                                                         const char16_t* formTable)
{
    char* const start = out;
    qsizetype i = 0;
    while (i + 8 <= n && size_t(out - start) < kBlock) {
        // The forms are put together in a register: eight stores read
        // back as one vector would wait for the stores.
        const char16_t* u = p + i;
        const __m128i v = Forms ? _mm_setr_epi16(short(formTable[u[0]]), short(formTable[u[1]]), short(formTable[u[2]]),
                                                 short(formTable[u[3]]), short(formTable[u[4]]), short(formTable[u[5]]),
                                                 short(formTable[u[6]]), short(formTable[u[7]]))
                                : _mm_loadu_si128(reinterpret_cast<const __m128i*>(u));
        int written = twoByteBlock(v, out);
        if (written == 0)
            written = mixedBlock(v, out);
        if (written == 0)
            break;
        out += written;
        i += 8;
        if (i + 16 <= n && asciiAhead(p + i))
            break;
    }
    return i;
}

bool haveAvx2()
{
    static const bool have = __builtin_cpu_supports("avx2");
    return have;
}

// A run of ASCII units as bytes (their forms with Forms), 32 at a time with
// AVX2, which the caller asks for first. Stops before the first 32 units
// that are not all ASCII, or before fewer than 32 are left; the result is how
// many units were written.
template <bool Forms> __attribute__((target("avx2"))) qsizetype asciiRunWide(const char16_t* in, qsizetype n, char* out)
{
    const __m256i notAscii = _mm256_set1_epi16(static_cast<short>(0xFF80));
    qsizetype k = 0;
    for (; k + 32 <= n; k += 32) {
        const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + k));
        const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + k + 16));
        if (!_mm256_testz_si256(_mm256_or_si256(a, b), notAscii))
            break;
        // The pack works within each half: its quarters come out as a0 b0 a1 b1.
        __m256i bytes = _mm256_permute4x64_epi64(_mm256_packus_epi16(a, b), 0xD8);
        if (Forms) {
            const __m256i lower = _mm256_and_si256(_mm256_cmpgt_epi8(bytes, _mm256_set1_epi8('a' - 1)),
                                                   _mm256_cmpgt_epi8(_mm256_set1_epi8('z' + 1), bytes));
            bytes = _mm256_sub_epi8(bytes, _mm256_and_si256(lower, _mm256_set1_epi8(0x20)));
        }
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + k), bytes);
    }
    return k;
}
#endif

} // namespace

void PatternSubject::reset(const QString& text, bool caseSensitive)
{
    m_text = text;
    m_caseSensitive = caseSensitive;
    m_formsMade = false;
    m_encoded = false;
}

bool PatternSubject::isFor(const QString& text, bool caseSensitive) const
{
    // The copy held here keeps the text's data alive and unchanged, so the
    // same data means the same text.
    return caseSensitive == m_caseSensitive && text.size() == m_text.size() &&
           (text.constData() == m_text.constData() || text == m_text);
}

const char16_t* PatternSubject::units()
{
    const auto* in = reinterpret_cast<const char16_t*>(m_text.utf16());
    if (m_caseSensitive)
        return in;
    if (!m_formsMade) {
        m_formsMade = true;
        if (m_formsCapacity < m_text.size()) {
            m_formsCapacity = m_text.size();
            m_forms.reset(new char16_t[size_t(m_formsCapacity)]);
        }
        PatternCaseFolding::toForms(in, m_text.size(), m_forms.get());
    }
    return m_forms.get();
}

const char* PatternSubject::utf8()
{
    if (!m_encoded)
        encode();
    return m_utf8.get();
}

size_t PatternSubject::utf8Size()
{
    if (!m_encoded)
        encode();
    return m_utf8Size;
}

void PatternSubject::encode()
{
    m_encoded = true;
    m_checkpoints.clear();
    const qsizetype n = length();
    // At most four bytes a unit (a surrogate), and room for the last block
    // written whole; never filled beforehand.
    const size_t room = size_t(n) * 4 + 32;
    if (m_utf8Capacity < room) {
        m_utf8Capacity = room;
        m_utf8.reset(new char[room]);
    }
    m_utf8Size = m_caseSensitive ? encodeUnits<false>() : encodeUnits<true>();
    m_oneBytePerUnit = qsizetype(m_utf8Size) == n;
}

template <bool Forms> size_t PatternSubject::encodeUnits()
{
    const qsizetype n = length();
    const auto* p = reinterpret_cast<const char16_t*>(m_text.utf16());
    const char16_t* formTable = PatternCaseFolding::formTable();
    char* const begin = m_utf8.get();
    char* out = begin;
    size_t nextCheckpoint = kBlock;
#ifdef __SSE2__
    const bool twoBytes = haveSsse3();
    const bool wide = haveAvx2();
#endif
    qsizetype i = 0;
    while (i < n) {
        if (size_t(out - begin) >= nextCheckpoint) {
            m_checkpoints.push_back({size_t(out - begin), i});
            nextCheckpoint = size_t(out - begin) + kBlock;
        }
        if (i + 16 <= n) {
            // Most pages are mostly ASCII: sixteen units at a time.
            const int ascii = asciiPrefix<Forms>(p + i, out);
            out += ascii;
            i += ascii;
            if (ascii < 16) {
                // fall through to the other units
            } else {
#ifdef __SSE2__
                // After sixteen ASCII units, more are likely: a long run is
                // written 32 at a time, with the checkpoints it passes.
                if (wide) {
                    const qsizetype run = asciiRunWide<Forms>(p + i, n - i, out);
                    const size_t runStart = size_t(out - begin);
                    const size_t runEnd = runStart + size_t(run);
                    // One byte a unit: a checkpoint anywhere in the run is
                    // at a character's start.
                    while (nextCheckpoint < runEnd) {
                        const size_t at = std::max(nextCheckpoint, runStart);
                        m_checkpoints.push_back({at, i + qsizetype(at - runStart)});
                        nextCheckpoint = at + kBlock;
                    }
                    out += run;
                    i += run;
                }
#endif
                continue;
            }
        } else if (p[i] < 0x80) {
            const char16_t u = p[i++];
            *out++ = char(Forms && u >= u'a' && u <= u'z' ? u - 0x20 : u);
            continue;
        }
#ifdef __SSE2__
        // Eight units at a time unless one is a surrogate.
        if (twoBytes) {
            const qsizetype done = blocksOfEight<Forms>(p + i, n - i, out, formTable);
            if (done > 0) {
                i += done;
                continue;
            }
        }
#endif
        // Else a run of other units, with a checkpoint now and then.
        for (int k = 0; i < n && p[i] >= 0x80 && k < 64; ++k) {
            const char16_t u = p[i++];
            out = putUnit(Forms ? formTable[u] : u, out);
        }
    }
    return size_t(out - begin);
}

qsizetype PatternSubject::unitAt(size_t byte)
{
    if (m_oneBytePerUnit)
        return qsizetype(byte);
    // From the last checkpoint at or before the byte, characters counted by
    // their first bytes.
    auto it = std::upper_bound(m_checkpoints.begin(), m_checkpoints.end(), byte,
                               [](size_t b, const Checkpoint& c) { return b < c.byte; });
    size_t from = 0;
    qsizetype units = 0;
    if (it != m_checkpoints.begin()) {
        from = (it - 1)->byte;
        units = (it - 1)->unit;
    }
    const char* bytes = m_utf8.get();
    for (size_t b = from; b < byte; ++b)
        units += !isContinuation(bytes[b]);
    return units;
}
