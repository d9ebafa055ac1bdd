#pragma once

#include <QString>

// Percent-encoding of the parts of a web address, as browsers write them.
class UrlEncoding
{
public:
    // The characters each part encodes besides controls and non-ASCII.
    enum class Set
    {
        Control,
        Fragment,
        Query,
        SpecialQuery, // the query of an http(s) address: also '
        Path,
        Userinfo,
    };

    // Encodes what the set names, as UTF-8; an existing "%41" stays as it is.
    static QString percentEncoded(const QString& text, Set set);
    // Chromium writes "%41" and "%7e" in a path as "A" and "~": the unreserved
    // characters mean the same encoded or not.
    static QString unreservedDecoded(const QString& segment);
};
