#include "pattern/PatternTextSearch.h"

#include <cstring>
#ifdef __SSE2__
#include <immintrin.h>
#endif

namespace {

// How common a byte is in the upper-cased text of a page (HTML, mostly
// English words): its place in a list that goes from rare to common; 0, the
// rarest, for a byte not in it. Only the search's speed depends on it.
struct Commonness
{
    unsigned char rank[256] = {};
    constexpr Commonness()
    {
        constexpr char kCommon[] = "ZQJX#'K7654329V8_,Y0W1BG;F\r\n:UPMHDCL.-NRSIO/=AT>\"<E ";
        for (size_t k = 0; k + 1 < sizeof kCommon; ++k)
            rank[static_cast<unsigned char>(kCommon[k])] = static_cast<unsigned char>(k + 1);
    }
};

int commonness(char byte)
{
    static constexpr Commonness table;
    return table.rank[static_cast<unsigned char>(byte)];
}

// The places of a needle whose bytes are tested first, the rarest bytes: a
// search for "<TITLE>" by its '<' and '>' would stop at every other tag.
struct Probe
{
    size_t first = 0;
    size_t second = 0;
    size_t third = 0;
};

// The rarest byte's place other than the places taken; `taken` when none.
size_t rarestPlace(const std::string& needle, size_t taken1, size_t taken2)
{
    size_t best = taken1;
    for (size_t k = 0; k < needle.size(); ++k) {
        if (k == taken1 || k == taken2)
            continue;
        if (best == taken1 || commonness(needle[k]) < commonness(needle[best]))
            best = k;
    }
    return best;
}

Probe probeFor(const std::string& needle)
{
    Probe p;
    p.first = rarestPlace(needle, needle.size(), needle.size());
    p.second = rarestPlace(needle, p.first, p.first);
    p.third = rarestPlace(needle, p.first, p.second);
    return p;
}

// The rest of a candidate, compared in place: a call per candidate would
// cost more than the comparison of a short needle.
inline bool sameBytes(const char* a, const char* b, size_t m)
{
    for (size_t k = 0; k < m; ++k) {
        if (a[k] != b[k])
            return false;
    }
    return true;
}

#ifdef __SSE2__
bool haveAvx2()
{
    static const bool have = __builtin_cpu_supports("avx2");
    return have;
}

// findText's places [0, last] that hold the probe's two bytes, 32 at a time;
// the result is where the loop ended when nothing was found there.
__attribute__((target("avx2"))) const char* findTextWide(const char* from, size_t last,
                                                         const std::string& needle, Probe probe, size_t& i)
{
    const size_t m = needle.size();
    const __m256i first = _mm256_set1_epi8(needle[probe.first]);
    const __m256i second = _mm256_set1_epi8(needle[probe.second]);
    const __m256i third = _mm256_set1_epi8(needle[probe.third]);
    for (; i + 32 <= last + 1; i += 32) {
        const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(from + i + probe.first));
        const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(from + i + probe.second));
        const __m256i c = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(from + i + probe.third));
        unsigned mask = unsigned(_mm256_movemask_epi8(
            _mm256_and_si256(_mm256_and_si256(_mm256_cmpeq_epi8(a, first), _mm256_cmpeq_epi8(b, second)),
                             _mm256_cmpeq_epi8(c, third))));
        while (mask) {
            const size_t at = i + size_t(__builtin_ctz(mask));
            if (sameBytes(from + at, needle.data(), m))
                return from + at;
            mask &= mask - 1;
        }
    }
    return nullptr;
}
#endif

} // namespace

// Many places at a time are tested for two of the needle's bytes, and only
// where both fit is the rest compared.
const char* PatternTextSearch::find(const char* from, size_t n, const std::string& needle)
{
    const size_t m = needle.size();
    if (m == 0 || n < m)
        return m == 0 ? from : nullptr;
    const size_t last = n - m; // the last place it may start
    const Probe probe = probeFor(needle);
    size_t i = 0;
#ifdef __SSE2__
    if (haveAvx2()) {
        if (const char* hit = findTextWide(from, last, needle, probe, i))
            return hit;
    }
    const __m128i first = _mm_set1_epi8(needle[probe.first]);
    const __m128i second = _mm_set1_epi8(needle[probe.second]);
    for (; i + 16 <= last + 1; i += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + i + probe.first));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + i + probe.second));
        unsigned mask =
            unsigned(_mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(a, first), _mm_cmpeq_epi8(b, second))));
        while (mask) {
            const size_t at = i + size_t(__builtin_ctz(mask));
            if (sameBytes(from + at, needle.data(), m))
                return from + at;
            mask &= mask - 1;
        }
    }
#endif
    for (; i <= last; ++i) {
        if (from[i] == needle.front() && std::memcmp(from + i, needle.data(), m) == 0)
            return from + i;
    }
    return nullptr;
}

const char* PatternTextSearch::findAnyOf3(const char* from, size_t n, char a, char b, char c)
{
    size_t i = 0;
#ifdef __SSE2__
    const __m128i va = _mm_set1_epi8(a);
    const __m128i vb = _mm_set1_epi8(b);
    const __m128i vc = _mm_set1_epi8(c);
    for (; i + 16 <= n; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + i));
        const __m128i hit =
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, va), _mm_cmpeq_epi8(v, vb)), _mm_cmpeq_epi8(v, vc));
        if (const int mask = _mm_movemask_epi8(hit))
            return from + i + size_t(__builtin_ctz(unsigned(mask)));
    }
#endif
    for (; i < n; ++i) {
        if (from[i] == a || from[i] == b || from[i] == c)
            return from + i;
    }
    return nullptr;
}
