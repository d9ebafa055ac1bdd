#pragma once

#include <QString>
#include <vector>

class PatternReader;

// One bracketed character class of an ECMAScript pattern ('[a-z\d]',
// '[^\s]'), read from the pattern and written out for PCRE2 and for RE2.
// Every member is spelled out as code points, so both engines take exactly the
// characters ECMAScript means, whatever their own reading of the escapes.
class PatternCharClass
{
public:
    // Reads the class from the reader's '[' to past its ']'. False on a
    // syntax error: an unclosed class, a lone surrogate or a range whose ends
    // are in the wrong order.
    bool read(PatternReader& in);

    QString pcre2Text() const;
    // False when RE2 cannot run the class exactly under this case mode; text
    // is then left alone.
    bool re2Text(bool caseSensitive, QString& text) const;

    // A code point as both engines read it alike, in a class or outside:
    // ASCII letters and digits as themselves, anything else as '\x{...}'.
    static QString codePointText(char32_t cp);
    // The members of ECMAScript's '\s' (or of '\S' when negated) as ranges
    // for the inside of a class.
    static QString spaceRanges(bool negated);

private:
    // A range of code points, or a class escape ('d', 'D', 'w', 'W', 's', 'S').
    struct Item
    {
        char32_t lo = 0;
        char32_t hi = 0;
        char escape = 0;
    };

    bool readItem(PatternReader& in, Item& item);
    // The members other than '\w' and '\W', in their order.
    QString body() const;
    QString bracketed(const QString& body) const;

    std::vector<Item> m_items;
    bool m_negated = false;
};
