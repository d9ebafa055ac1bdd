#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <optional>

// One of the encodings a web page may be in, named the way browsers name
// them. A page's charset label (from the Content-Type header or a <meta>
// element) is looked up in the browsers' label table, so "gbk", "latin1" or
// "ms932" decode exactly as the browser pane shows the same page. Decoding
// goes through the system's iconv, corrected where iconv reads a byte
// differently from browsers.
class WebEncoding
{
public:
    // The encoding a label names, or nothing for a label browsers do not know.
    // Letter case and ASCII blanks around the label do not matter.
    static std::optional<WebEncoding> forLabel(QStringView label);
    static WebEncoding utf8();
    static WebEncoding utf16le();
    static WebEncoding utf16be();
    static WebEncoding windows1252();

    // The browsers' name of the encoding, e.g. "UTF-8", "windows-1252", "Shift_JIS".
    QString name() const;
    bool isUtf8() const;
    bool isUtf16() const;
    bool isUserDefined() const;

    // Every byte sequence the encoding cannot read becomes U+FFFD.
    QString decode(QByteArrayView bytes) const;

    bool operator==(const WebEncoding&) const = default;

private:
    explicit WebEncoding(int index) : m_index(index) {}

    int m_index;
};
