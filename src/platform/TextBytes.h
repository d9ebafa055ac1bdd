#pragma once

#include <QByteArrayView>
#include <QString>

// The byte-level tests and the one Windows-1252 table shared by the page
// decoding and the program's own text files.
class TextBytes
{
public:
    // Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF,
    // and no character cut off at the end.
    static bool isUtf8(QByteArrayView bytes);
    // The number of bytes (1 to 3) at the very end that begin a UTF-8
    // character without finishing it, as a body or file cut off at a size
    // limit or by a full disk leaves them; 0 when the end is not such a start.
    static qsizetype tornUtf8Tail(QByteArrayView bytes);
    static bool hasNonAscii(QByteArrayView bytes);

    // UTF-8 to text, keeping a leading U+FEFF as a character and turning each
    // invalid sequence into U+FFFD.
    static QString fromUtf8(QByteArrayView bytes);
    // Windows-1252 as browsers and Windows read it: the five bytes the code
    // page leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) become the C1
    // controls of the same value, so no byte is ever lost.
    static QString fromWindows1252(QByteArrayView bytes);
};
