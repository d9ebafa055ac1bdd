#pragma once

#include <QString>
#include <vector>

// A set of UTF-16 code units: what one character position of a pattern
// matches, be it a literal, '.', an escape such as '\w' or a bracketed class.
// JavaScript (without the u flag) matches code units, not code points, so the
// members are units from 0 to 0xFFFF, lone surrogates included.
class PatternCharClass
{
public:
    struct Range
    {
        char16_t lo;
        char16_t hi;
    };

    PatternCharClass() = default;
    static PatternCharClass unit(char16_t u);
    // The members of a class escape: 'd', 'D', 'w', 'W', 's' or 'S'.
    static PatternCharClass escape(char letter);
    // Every unit but the line terminators (LF, CR, U+2028, U+2029).
    static PatternCharClass dot();

    void add(char16_t lo, char16_t hi);
    void add(const PatternCharClass& other);
    PatternCharClass negated() const;
    // The case-blind forms of the members (PatternCaseFolding): what the
    // class matches among the forms of a subject's units. Units that are
    // no unit's form may be added, when that makes fewer ranges.
    PatternCharClass caseBlind() const;

    // The members that are some unit's case-blind form: the only ones that
    // occur among a subject's forms.
    PatternCharClass formsOnly() const;

    bool contains(char16_t u) const;
    bool isEmpty() const { return m_ranges.empty(); }
    bool isSingle() const { return m_ranges.size() == 1 && m_ranges[0].lo == m_ranges[0].hi; }
    const std::vector<Range>& ranges() const { return m_ranges; }

    // RE2 reads the subject as UTF-8 text in which each surrogate unit is a
    // private-use code point of its own, so every unit is one character.
    static char32_t re2CodePoint(char16_t u)
    {
        return (u & 0xF800) == 0xD800 ? char32_t(0xF0000 + (u - 0xD800)) : char32_t(u);
    }
    // The set in RE2's syntax, over those code points.
    QString re2Text() const;

private:
    static PatternCharClass merged(std::vector<Range> ranges);
    static const PatternCharClass& notAnyForm();

    std::vector<Range> m_ranges; // sorted, neither overlapping nor touching
};
