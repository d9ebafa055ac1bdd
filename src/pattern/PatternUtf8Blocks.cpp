#include "pattern/PatternUtf8Blocks.h"

#ifdef __SSE2__
#include <immintrin.h>

namespace {

// Byte shuffles that squeeze the bytes a block of lanes uses together: for
// each key (which lanes take how many bytes), where each byte comes from and
// how many there are.
struct ShuffleTable
{
    alignas(16) unsigned char order[256][16];
    unsigned char length[256];

    template <typename BytesOf> ShuffleTable(int lanes, int laneWidth, BytesOf bytesOf)
    {
        for (int key = 0; key < 256; ++key) {
            int out = 0;
            for (int k = 0; k < lanes; ++k)
                for (int b = 0; b < bytesOf(key, k); ++b)
                    order[key][out++] = static_cast<unsigned char>(laneWidth * k + b);
            length[key] = static_cast<unsigned char>(out);
            for (; out < 16; ++out)
                order[key][out] = 0x80; // a zero byte
        }
    }
};

// Eight units of text in a language written in Latin, Greek or Cyrillic
// letters: each below 0x800, so one or two bytes of UTF-8. The two bytes of
// every unit are made side by side, then the second byte of each ASCII unit
// is squeezed out by a shuffle chosen by which units are ASCII. Needs
// SSSE3's byte shuffle, which nearly every x86-64 processor has; the
// caller asks first.
__attribute__((target("ssse3"))) inline int twoByteBlock(__m128i v, char* out)
{
    // Key: bit k set when unit k is ASCII.
    static const ShuffleTable shuffles(8, 2, [](int ascii, int k) { return ascii & (1 << k) ? 1 : 2; });
    // Any unit of 0x800 or more (a three-byte character or a surrogate)?
    if (_mm_movemask_epi8(_mm_cmpeq_epi16(_mm_and_si128(v, _mm_set1_epi16(static_cast<short>(0xF800))),
                                          _mm_setzero_si128())) != 0xFFFF)
        return 0;
    const __m128i ascii =
        _mm_cmpeq_epi16(_mm_and_si128(v, _mm_set1_epi16(static_cast<short>(0xFF80))), _mm_setzero_si128());
    // First byte 0xC0 | u >> 6, second 0x80 | u & 0x3F, in one 16-bit lane.
    const __m128i first = _mm_or_si128(_mm_srli_epi16(v, 6), _mm_set1_epi16(0xC0));
    const __m128i second =
        _mm_slli_epi16(_mm_or_si128(_mm_and_si128(v, _mm_set1_epi16(0x3F)), _mm_set1_epi16(0x80)), 8);
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
__attribute__((target("ssse3"), always_inline)) inline char* mixedQuarter(__m128i u, char* out)
{
    // Key: bit k set when unit k takes two bytes or more, bit 4 + k when it
    // takes three.
    static const ShuffleTable shuffles(
        4, 4, [](int key, int k) { return 1 + ((key >> k) & 1) + ((key >> (4 + k)) & 1); });
    const __m128i low6 = _mm_set1_epi32(0x3F);
    const __m128i atLeastTwo = _mm_cmpgt_epi32(u, _mm_set1_epi32(0x7F));
    const __m128i three = _mm_cmpgt_epi32(u, _mm_set1_epi32(0x7FF));
    const __m128i lastByte = _mm_or_si128(_mm_and_si128(u, low6), _mm_set1_epi32(0x80));
    const __m128i two =
        _mm_or_si128(_mm_or_si128(_mm_srli_epi32(u, 6), _mm_set1_epi32(0xC0)), _mm_slli_epi32(lastByte, 8));
    const __m128i middle = _mm_or_si128(_mm_and_si128(_mm_srli_epi32(u, 6), low6), _mm_set1_epi32(0x80));
    const __m128i threeBytes =
        _mm_or_si128(_mm_or_si128(_mm_srli_epi32(u, 12), _mm_set1_epi32(0xE0)),
                     _mm_or_si128(_mm_slli_epi32(middle, 8), _mm_slli_epi32(lastByte, 16)));
    __m128i lanes = _mm_or_si128(_mm_andnot_si128(atLeastTwo, u),
                                 _mm_andnot_si128(three, _mm_and_si128(atLeastTwo, two)));
    lanes = _mm_or_si128(lanes, _mm_and_si128(three, threeBytes));
    const int key =
        _mm_movemask_ps(_mm_castsi128_ps(atLeastTwo)) | (_mm_movemask_ps(_mm_castsi128_ps(three)) << 4);
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

bool ssse3()
{
    static const bool have = __builtin_cpu_supports("ssse3");
    return have;
}

// Sixteen ASCII units?
inline bool asciiAhead(const char16_t* in)
{
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 8));
    return _mm_movemask_epi8(
               _mm_cmpeq_epi16(_mm_and_si128(_mm_or_si128(a, b), _mm_set1_epi16(static_cast<short>(0xFF80))),
                               _mm_setzero_si128())) == 0xFFFF;
}

template <bool Forms>
__attribute__((target("ssse3"))) qsizetype blocksOfEight(const char16_t* p, qsizetype n, char*& out,
                                                         const char16_t* formTable, size_t room)
{
    char* const start = out;
    qsizetype i = 0;
    while (i + 8 <= n && size_t(out - start) < room) {
        // The forms are put together in a register: eight stores read
        // back as one vector would wait for the stores.
        const char16_t* u = p + i;
        const __m128i v =
            Forms ? _mm_setr_epi16(short(formTable[u[0]]), short(formTable[u[1]]), short(formTable[u[2]]),
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

bool avx2()
{
    static const bool have = __builtin_cpu_supports("avx2");
    return have;
}

template <bool Forms>
__attribute__((target("avx2"))) qsizetype asciiRunWide(const char16_t* in, qsizetype n, char* out)
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

} // namespace

bool PatternUtf8Blocks::haveSsse3()
{
    return ssse3();
}

bool PatternUtf8Blocks::haveAvx2()
{
    return avx2();
}

qsizetype PatternUtf8Blocks::blocksOfEight(bool forms, const char16_t* p, qsizetype n, char*& out,
                                           const char16_t* formTable, size_t room)
{
    return forms ? ::blocksOfEight<true>(p, n, out, formTable, room)
                 : ::blocksOfEight<false>(p, n, out, formTable, room);
}

qsizetype PatternUtf8Blocks::asciiRun(bool forms, const char16_t* in, qsizetype n, char* out)
{
    return forms ? asciiRunWide<true>(in, n, out) : asciiRunWide<false>(in, n, out);
}
#endif
