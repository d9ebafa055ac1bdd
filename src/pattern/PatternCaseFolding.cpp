#include "pattern/PatternCaseFolding.h"

#include <algorithm>
#include <vector>

const char16_t* PatternCaseFolding::formTable()
{
    static const std::vector<char16_t> forms = [] {
        std::vector<char16_t> t(0x10000);
        for (int u = 0; u < 0x10000; ++u)
            t[size_t(u)] = char16_t(u);
        for (int i = 0; i < kPairCount; ++i)
            t[kPairs[i].unit] = kPairs[i].form;
        return t;
    }();
    return forms.data();
}

void PatternCaseFolding::toForms(const char16_t* in, qsizetype n, char16_t* out)
{
    const char16_t* t = formTable();
    // Blocks of ASCII, the bulk of most pages, in a loop the compiler can
    // run on many units at once.
    constexpr qsizetype kRun = 16;
    qsizetype i = 0;
    while (i < n) {
        if (i + kRun <= n) {
            char16_t any = 0;
            for (qsizetype k = 0; k < kRun; ++k)
                any |= in[i + k];
            if (any < 0x80) {
                for (qsizetype k = 0; k < kRun; ++k) {
                    const char16_t u = in[i + k];
                    out[i + k] = char16_t(u - ((u >= u'a' && u <= u'z') ? 0x20 : 0));
                }
                i += kRun;
                continue;
            }
        }
        const char16_t u = in[i];
        out[i++] = u < 0x80 ? char16_t(u - ((u >= u'a' && u <= u'z') ? 0x20 : 0)) : t[u];
    }
}

const PatternCaseFolding::Pair* PatternCaseFolding::changedFrom(char16_t lo)
{
    return std::lower_bound(kPairs, kPairs + kPairCount, lo,
                            [](const Pair& p, char16_t unit) { return p.unit < unit; });
}
