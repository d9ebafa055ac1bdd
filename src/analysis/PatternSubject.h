#pragma once

#include <QString>
#include <string>
#include <vector>

// A subject as the engines read it. Matching without regard to case runs on
// the subject's case-blind forms (PatternCaseFolding), which have the same
// length, so every offset found is an offset into the subject itself. RE2
// reads UTF-8 in which each UTF-16 unit is one character, a surrogate being
// a private-use code point of its own (PatternCharClass::re2CodePoint).
//
// A page is searched by a dozen patterns in turn; each form is made once,
// when first needed, and kept while the subject is.
class PatternSubject
{
public:
    PatternSubject(const QString& text, bool caseSensitive);

    bool isFor(const QString& text, bool caseSensitive) const;

    const char16_t* units() const { return m_units; }
    qsizetype length() const { return m_text.size(); }

    const std::string& utf8();
    // The unit offset of a byte offset into utf8() at which a character
    // starts (or its end).
    qsizetype unitAt(size_t byte);

private:
    void encode();

    QString m_text;
    bool m_caseSensitive;
    std::vector<char16_t> m_forms;
    const char16_t* m_units;
    bool m_encoded = false;
    std::string m_utf8;
    bool m_oneBytePerUnit = true;
    std::vector<qsizetype> m_blockUnits; // units before each block of kBlock bytes
};
