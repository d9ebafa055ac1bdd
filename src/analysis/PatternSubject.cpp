#include "analysis/PatternSubject.h"

#include "analysis/PatternCaseFolding.h"

#include <algorithm>

namespace {

// Bytes per entry of the index from byte offsets to unit offsets.
constexpr size_t kBlock = 256;

bool isContinuation(char byte)
{
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

} // namespace

PatternSubject::PatternSubject(const QString& text, bool caseSensitive)
    : m_text(text), m_caseSensitive(caseSensitive)
{
    const auto* in = reinterpret_cast<const char16_t*>(m_text.utf16());
    if (caseSensitive) {
        m_units = in;
        return;
    }
    m_forms.resize(size_t(m_text.size()));
    PatternCaseFolding::toForms(in, m_text.size(), m_forms.data());
    m_units = m_forms.data();
}

bool PatternSubject::isFor(const QString& text, bool caseSensitive) const
{
    // The copy held here keeps the text's data alive and unchanged, so the
    // same data means the same text.
    return caseSensitive == m_caseSensitive && text.size() == m_text.size() &&
           (text.constData() == m_text.constData() || text == m_text);
}

const std::string& PatternSubject::utf8()
{
    if (!m_encoded)
        encode();
    return m_utf8;
}

void PatternSubject::encode()
{
    m_encoded = true;
    const qsizetype n = length();
    const char16_t* p = m_units;
    m_utf8.resize(size_t(n) * 4);
    char* out = m_utf8.data();
    qsizetype i = 0;
    // Most pages are mostly ASCII: blocks of it are copied in one go.
    constexpr qsizetype kRun = 16;
    while (i < n) {
        if (i + kRun <= n) {
            char16_t any = 0;
            for (qsizetype k = 0; k < kRun; ++k)
                any |= p[i + k];
            if (any < 0x80) {
                for (qsizetype k = 0; k < kRun; ++k)
                    out[k] = char(p[i + k]);
                out += kRun;
                i += kRun;
                continue;
            }
        }
        const char16_t u = p[i++];
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
    m_utf8.resize(size_t(out - m_utf8.data()));
    m_oneBytePerUnit = qsizetype(m_utf8.size()) == n;
    m_blockUnits.clear();
}

qsizetype PatternSubject::unitAt(size_t byte)
{
    if (m_oneBytePerUnit)
        return qsizetype(byte);
    // The index grows as far as it is asked for: a search for the first
    // match in a page reads only the start of it.
    const size_t block = byte / kBlock;
    while (m_blockUnits.size() <= block) {
        if (m_blockUnits.empty()) {
            m_blockUnits.push_back(0);
            continue;
        }
        const size_t from = (m_blockUnits.size() - 1) * kBlock;
        const size_t to = std::min(m_utf8.size(), from + kBlock);
        qsizetype units = m_blockUnits.back();
        for (size_t b = from; b < to; ++b)
            units += !isContinuation(m_utf8[b]);
        m_blockUnits.push_back(units);
    }
    qsizetype units = m_blockUnits[block];
    for (size_t b = block * kBlock; b < byte; ++b)
        units += !isContinuation(m_utf8[b]);
    return units;
}
