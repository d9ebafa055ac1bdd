#include "analysis/PatternSubject.h"

#include "analysis/PatternCaseFolding.h"

#include <algorithm>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

// Bytes per entry of the index from byte offsets to unit offsets.
constexpr size_t kBlock = 256;

bool isContinuation(char byte)
{
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

// Sixteen units of ASCII, the bulk of most pages, as sixteen bytes (their
// forms when `forms`). False, with nothing written, when one is not ASCII.
inline bool asciiBlock(const char16_t* in, char* out, bool forms)
{
#ifdef __SSE2__
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 8));
    const __m128i high = _mm_set1_epi16(static_cast<short>(0xFF80));
    if (_mm_movemask_epi8(_mm_cmpeq_epi16(_mm_and_si128(_mm_or_si128(a, b), high), _mm_setzero_si128())) != 0xFFFF)
        return false;
    __m128i bytes = _mm_packus_epi16(a, b);
    if (forms) {
        // 'a'..'z' less 0x20: bytes above 'a' - 1 and below 'z' + 1.
        const __m128i lower = _mm_and_si128(_mm_cmpgt_epi8(bytes, _mm_set1_epi8('a' - 1)),
                                            _mm_cmplt_epi8(bytes, _mm_set1_epi8('z' + 1)));
        bytes = _mm_sub_epi8(bytes, _mm_and_si128(lower, _mm_set1_epi8(0x20)));
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), bytes);
    return true;
#else
    char16_t any = 0;
    for (int k = 0; k < 16; ++k)
        any |= in[k];
    if (any >= 0x80)
        return false;
    for (int k = 0; k < 16; ++k) {
        const char16_t u = in[k];
        out[k] = char(forms && u >= u'a' && u <= u'z' ? u - 0x20 : u);
    }
    return true;
#endif
}

} // namespace

void PatternSubject::reset(const QString& text, bool caseSensitive)
{
    m_text = text;
    m_caseSensitive = caseSensitive;
    m_formsMade = false;
    m_encoded = false;
    m_blockUnits.clear();
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
    const qsizetype n = length();
    const auto* p = reinterpret_cast<const char16_t*>(m_text.utf16());
    const bool forms = !m_caseSensitive;
    // At most four bytes a unit (a surrogate); never filled beforehand.
    const size_t room = size_t(n) * 4 + 16;
    if (m_utf8Capacity < room) {
        m_utf8Capacity = room;
        m_utf8.reset(new char[room]);
    }
    char* out = m_utf8.get();
    qsizetype i = 0;
    while (i < n) {
        if (i + 16 <= n && asciiBlock(p + i, out, forms)) {
            out += 16;
            i += 16;
            continue;
        }
        char16_t u = p[i++];
        if (forms)
            u = PatternCaseFolding::form(u);
        if (u < 0x80) {
            *out++ = char(u);
        } else if (u < 0x800) {
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
    }
    m_utf8Size = size_t(out - m_utf8.get());
    m_oneBytePerUnit = qsizetype(m_utf8Size) == n;
}

qsizetype PatternSubject::unitAt(size_t byte)
{
    if (m_oneBytePerUnit)
        return qsizetype(byte);
    const char* bytes = m_utf8.get();
    // The index grows as far as it is asked for: a search for the first
    // match in a page reads only the start of it.
    const size_t block = byte / kBlock;
    while (m_blockUnits.size() <= block) {
        if (m_blockUnits.empty()) {
            m_blockUnits.push_back(0);
            continue;
        }
        const size_t from = (m_blockUnits.size() - 1) * kBlock;
        const size_t to = std::min(m_utf8Size, from + kBlock);
        qsizetype units = m_blockUnits.back();
        for (size_t b = from; b < to; ++b)
            units += !isContinuation(bytes[b]);
        m_blockUnits.push_back(units);
    }
    qsizetype units = m_blockUnits[block];
    for (size_t b = block * kBlock; b < byte; ++b)
        units += !isContinuation(bytes[b]);
    return units;
}
