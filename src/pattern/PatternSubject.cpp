#include "pattern/PatternSubject.h"

#include "pattern/PatternCaseFolding.h"
#include "pattern/PatternUtf8Blocks.h"

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
using Blocks = PatternUtf8Blocks;
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
    const bool twoBytes = Blocks::haveSsse3();
    const bool wide = Blocks::haveAvx2();
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
                    const qsizetype run = Blocks::asciiRun(Forms, p + i, n - i, out);
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
            const qsizetype done = Blocks::blocksOfEight(Forms, p + i, n - i, out, formTable, kBlock);
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
