#pragma once

#include "analysis/PatternReader.h"

#include <QString>
#include <string>
#include <vector>

// Reads a pattern the way a browser reads an ECMAScript regular expression
// (PatternReader) and writes it out for the two engines that run it:
//
//  - a PCRE2 pattern in which every construct whose meaning differs between
//    the dialects is spelled out: '.', '\s', '\S', '\v', identity escapes
//    such as '\h' or '\K', and every literal as a '\x{...}' escape;
//  - an RE2 pattern, when the pattern uses nothing RE2 cannot run exactly
//    (no back references, no look-around, no count above 1000, no '\B'). RE2 never
//    backtracks, so such a pattern is decided in linear time on any page.
//
// Character classes are read and written by PatternCharClass.
class PatternTranslator
{
public:
    struct Result
    {
        bool valid = false;     // false: a syntax error; neither text is usable
        QString pcre2;          // for PCRE2, 16-bit
        bool re2Usable = false; // re2 holds an exact equivalent
        std::string re2;        // for RE2 (pure ASCII)
        int groups = 0;         // capturing groups
    };

    // caseSensitive shapes only the RE2 text: RE2 folds letter case into '\w'
    // and '\W', which ECMAScript does not.
    static Result translate(const QString& pattern, bool caseSensitive);

private:
    // What a group opened: assertions differ in what may follow them.
    enum class Group
    {
        Plain,
        Lookahead,
        Lookbehind
    };

    PatternTranslator(const QString& pattern, bool caseSensitive);

    bool translateAll();
    bool translateQuantifier(bool& quantifiable);
    bool translateClass();
    bool openGroup();
    bool translateEscape(bool& quantifiable);

    void put(const QString& both);
    void putLiteral(char32_t cp);

    PatternReader m_in;
    const bool m_caseSensitive;
    std::vector<Group> m_open;
    QString m_pcre;
    QString m_re2;
    bool m_re2Ok = true;
};
