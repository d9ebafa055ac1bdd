#pragma once

#include <QString>
#include <memory>
#include <vector>

// A subject as the engines read it. Matching without regard to case runs on
// the subject's case-blind forms (PatternCaseFolding), which have the same
// length, so every offset found is an offset into the subject itself. RE2
// reads UTF-8 in which each UTF-16 unit is one character, a surrogate being
// a private-use code point of its own (PatternCharClass::re2CodePoint).
//
// A page is searched by a dozen patterns in turn; each form is made once,
// when first needed, and kept while the subject is. The buffers are kept
// for the next subject.
class PatternSubject
{
public:
    void reset(const QString& text, bool caseSensitive);
    bool isFor(const QString& text, bool caseSensitive) const;

    qsizetype length() const { return m_text.size(); }
    // The units, or their forms when case is ignored.
    const char16_t* units();

    const char* utf8();
    size_t utf8Size();
    // The unit offset of a byte offset into utf8() at which a character
    // starts (or its end).
    qsizetype unitAt(size_t byte);

private:
    void encode();
    template <bool Forms> size_t encodeUnits();

    QString m_text;
    bool m_caseSensitive = true;
    std::unique_ptr<char16_t[]> m_forms;
    qsizetype m_formsCapacity = 0;
    bool m_formsMade = false;
    std::unique_ptr<char[]> m_utf8;
    size_t m_utf8Capacity = 0;
    size_t m_utf8Size = 0;
    bool m_encoded = false;
    bool m_oneBytePerUnit = true;
    // Byte offsets of utf8() with their unit offsets, a few hundred bytes apart.
    struct Checkpoint
    {
        size_t byte;
        qsizetype unit;
    };
    std::vector<Checkpoint> m_checkpoints;
};
