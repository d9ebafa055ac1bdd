#include "linkback/HtmlTagScan.h"

#include <cstring>

bool HtmlTagScan::startsWithNoCase(const char* s, qsizetype n, qsizetype at, std::string_view word)
{
    const qsizetype length = qsizetype(word.size());
    if (at < 0 || at + length > n)
        return false;
    for (qsizetype k = 0; k < length; ++k) {
        const char c = isAlpha(word[k]) ? char(uchar(s[at + k]) | 0x20) : s[at + k];
        if (c != word[k])
            return false;
    }
    return true;
}

qsizetype HtmlTagScan::find(const char* s, qsizetype n, qsizetype from, char c)
{
    if (from >= n)
        return -1;
    const void* hit = std::memchr(s + from, c, size_t(n - from));
    return hit ? static_cast<const char*>(hit) - s : -1;
}

// A tag from its '<' to its '>', read the way the HTML tokenizer reads it;
// false when the page ends inside it.
bool HtmlTagScan::readTag(const char* s, qsizetype n, qsizetype at, bool endTag, HtmlTag& tag)
{
    qsizetype i = at + (endTag ? 2 : 1);
    tag.nameBegin = i;
    while (i < n && !isSpace(s[i]) && s[i] != '/' && s[i] != '>')
        ++i;
    tag.nameEnd = i;
    tag.name.assign(s + tag.nameBegin, size_t(i - tag.nameBegin));
    for (char& c : tag.name)
        if (c >= 'A' && c <= 'Z')
            c = char(c | 0x20);
    tag.attributes.clear();
    tag.selfClosing = false;
    while (true) {
        while (i < n && isSpace(s[i]))
            ++i;
        if (i >= n)
            return false;
        if (s[i] == '>') {
            tag.end = i + 1;
            return true;
        }
        if (s[i] == '/') {
            if (++i >= n)
                return false;
            if (s[i] == '>') {
                tag.selfClosing = true;
                tag.end = i + 1;
                return true;
            }
            continue;
        }
        // A name starts with any character, '=' too, and runs to a blank,
        // '/', '>' or '='.
        HtmlAttribute attribute{i, 0, 0, 0, 0};
        ++i;
        while (i < n && !isSpace(s[i]) && s[i] != '/' && s[i] != '>' && s[i] != '=')
            ++i;
        attribute.nameEnd = attribute.valueBegin = attribute.valueEnd = attribute.end = i;
        while (i < n && isSpace(s[i]))
            ++i;
        if (i >= n)
            return false;
        if (s[i] != '=') {
            tag.attributes.push_back(attribute);
            continue;
        }
        ++i;
        while (i < n && isSpace(s[i]))
            ++i;
        if (i >= n)
            return false;
        if (s[i] == '"' || s[i] == '\'') {
            const qsizetype close = find(s, n, i + 1, s[i]);
            if (close < 0)
                return false;
            attribute.valueBegin = i + 1;
            attribute.valueEnd = close;
            i = close + 1;
        } else if (s[i] != '>') {
            attribute.valueBegin = i;
            while (i < n && !isSpace(s[i]) && s[i] != '>')
                ++i;
            if (i >= n)
                return false;
            attribute.valueEnd = i;
        }
        attribute.end = i;
        tag.attributes.push_back(attribute);
    }
}
