#pragma once

#include <QtGlobal>
#include <string>
#include <string_view>
#include <vector>

// One attribute of a tag, as positions in the page.
struct HtmlAttribute
{
    qsizetype begin;   // the name's first character
    qsizetype nameEnd; // after the name
    qsizetype valueBegin;
    qsizetype valueEnd;
    qsizetype end; // after the value and its closing quote
};

// One tag, from its '<' to its '>'.
struct HtmlTag
{
    qsizetype nameBegin = 0;
    qsizetype nameEnd = 0;
    qsizetype end = 0; // after the closing '>'
    bool selfClosing = false;
    std::string name; // ASCII lower case
    std::vector<HtmlAttribute> attributes;
};

// The pieces of the HTML tokenizer a quick pass over a page's UTF-8 needs:
// where a tag ends and what its attributes are, read exactly as a browser
// reads them (quotes, a '/' before '>', an '=' that starts a name, ...).
class HtmlTagScan
{
public:
    static bool isAlpha(char c) { return (uchar(c) | 0x20) >= 'a' && (uchar(c) | 0x20) <= 'z'; }
    static bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r'; }
    // Whether s[at..] starts with word (lower case), ASCII letters in any case.
    static bool startsWithNoCase(const char* s, qsizetype n, qsizetype at, std::string_view word);
    // The position of c from from on; -1 when none.
    static qsizetype find(const char* s, qsizetype n, qsizetype from, char c);
    // The tag whose '<' is at at; false when the page ends inside it.
    static bool readTag(const char* s, qsizetype n, qsizetype at, bool endTag, HtmlTag& tag);
};
