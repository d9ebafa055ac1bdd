#pragma once

// The data behind WebEncoding: the encodings browsers know and every label
// that names one of them. Only WebEncoding.cpp includes it.

#include <array>

namespace WebEncodingTable {

enum class Kind
{
    Utf8,
    Utf16Le,
    Utf16Be,
    Windows1252,
    SingleByte, // one byte, one character, read from iconv once per byte
    MultiByte,  // streamed through iconv
    UserDefined,
    Replacement,
};

struct Encoding
{
    const char* name;  // as browsers name it
    const char* iconv; // the glibc converter that reads it
    Kind kind;
    bool windowsHoles; // bytes 0x80..0x9F the code page leaves undefined read as C1 controls
};

// The browsers' encodings. GBK is read by the GB18030 decoder, Big5 as
// Big5-HKSCS, Shift_JIS as Microsoft's CP932 and EUC-KR as its superset CP949,
// as browsers read them.
enum Index
{
    Utf8,
    Ibm866,
    Iso8859_2,
    Iso8859_3,
    Iso8859_4,
    Iso8859_5,
    Iso8859_6,
    Iso8859_7,
    Iso8859_8,
    Iso8859_8I,
    Iso8859_10,
    Iso8859_13,
    Iso8859_14,
    Iso8859_15,
    Iso8859_16,
    Koi8R,
    Koi8U,
    Macintosh,
    Windows874,
    Windows1250,
    Windows1251,
    Windows1252,
    Windows1253,
    Windows1254,
    Windows1255,
    Windows1256,
    Windows1257,
    Windows1258,
    XMacCyrillic,
    Gbk,
    Gb18030,
    Big5,
    EucJp,
    Iso2022Jp,
    ShiftJis,
    EucKr,
    Replacement,
    Utf16Be,
    Utf16Le,
    XUserDefined,
    EncodingCount
};

inline constexpr std::array<Encoding, EncodingCount> kEncodings = {{
    {"UTF-8", "UTF-8", Kind::Utf8, false},
    {"IBM866", "IBM866", Kind::SingleByte, false},
    {"ISO-8859-2", "ISO-8859-2", Kind::SingleByte, false},
    {"ISO-8859-3", "ISO-8859-3", Kind::SingleByte, false},
    {"ISO-8859-4", "ISO-8859-4", Kind::SingleByte, false},
    {"ISO-8859-5", "ISO-8859-5", Kind::SingleByte, false},
    {"ISO-8859-6", "ISO-8859-6", Kind::SingleByte, false},
    {"ISO-8859-7", "ISO-8859-7", Kind::SingleByte, false},
    {"ISO-8859-8", "ISO-8859-8", Kind::SingleByte, false},
    {"ISO-8859-8-I", "ISO-8859-8", Kind::SingleByte, false},
    {"ISO-8859-10", "ISO-8859-10", Kind::SingleByte, false},
    {"ISO-8859-13", "ISO-8859-13", Kind::SingleByte, false},
    {"ISO-8859-14", "ISO-8859-14", Kind::SingleByte, false},
    {"ISO-8859-15", "ISO-8859-15", Kind::SingleByte, false},
    {"ISO-8859-16", "ISO-8859-16", Kind::SingleByte, false},
    {"KOI8-R", "KOI8-R", Kind::SingleByte, false},
    {"KOI8-U", "KOI8-U", Kind::SingleByte, false},
    {"macintosh", "MACINTOSH", Kind::SingleByte, false},
    {"windows-874", "CP874", Kind::SingleByte, true},
    {"windows-1250", "CP1250", Kind::SingleByte, true},
    {"windows-1251", "CP1251", Kind::SingleByte, true},
    {"windows-1252", "CP1252", Kind::Windows1252, true},
    {"windows-1253", "CP1253", Kind::SingleByte, true},
    {"windows-1254", "CP1254", Kind::SingleByte, true},
    {"windows-1255", "CP1255", Kind::SingleByte, true},
    {"windows-1256", "CP1256", Kind::SingleByte, true},
    {"windows-1257", "CP1257", Kind::SingleByte, true},
    {"windows-1258", "CP1258", Kind::SingleByte, true},
    {"x-mac-cyrillic", "MACCYRILLIC", Kind::SingleByte, false},
    {"GBK", "GB18030", Kind::MultiByte, false},
    {"gb18030", "GB18030", Kind::MultiByte, false},
    {"Big5", "BIG5-HKSCS", Kind::MultiByte, false},
    {"EUC-JP", "EUC-JP", Kind::MultiByte, false},
    {"ISO-2022-JP", "ISO-2022-JP", Kind::MultiByte, false},
    {"Shift_JIS", "CP932", Kind::MultiByte, false},
    {"EUC-KR", "CP949", Kind::MultiByte, false},
    {"replacement", "", Kind::Replacement, false},
    {"UTF-16BE", "UTF-16BE", Kind::Utf16Be, false},
    {"UTF-16LE", "UTF-16LE", Kind::Utf16Le, false},
    {"x-user-defined", "", Kind::UserDefined, false},
}};

// Single bytes where glibc's table and the browsers' differ.
struct ByteOverride
{
    Index encoding;
    unsigned char byte;
    char16_t character;
};
// clang-format off
inline constexpr ByteOverride kOverrides[] = {
    {Macintosh, 0xF0, 0xF8FF},    // the Apple logo, in the private use area
    {Koi8U, 0xAE, 0x045E},        // Belarusian short u, small and capital
    {Koi8U, 0xBE, 0x040E},
    {Windows1255, 0xCA, 0x05BA},  // Hebrew holam haser for vav
    {XMacCyrillic, 0xFF, 0x20AC}, // the euro sign, which took the currency sign's place
};
// clang-format on

// Every label browsers accept for an encoding, in lower case, separated by blanks.
struct Labels
{
    Index encoding;
    const char* labels;
};
// clang-format off
inline constexpr Labels kLabels[] = {
    {Utf8, "unicode-1-1-utf-8 unicode11utf8 unicode20utf8 utf-8 utf8 x-unicode20utf8"},
    {Ibm866, "866 cp866 csibm866 ibm866"},
    {Iso8859_2, "csisolatin2 iso-8859-2 iso-ir-101 iso8859-2 iso88592 iso_8859-2 iso_8859-2:1987 l2 latin2"},
    {Iso8859_3, "csisolatin3 iso-8859-3 iso-ir-109 iso8859-3 iso88593 iso_8859-3 iso_8859-3:1988 l3 latin3"},
    {Iso8859_4, "csisolatin4 iso-8859-4 iso-ir-110 iso8859-4 iso88594 iso_8859-4 iso_8859-4:1988 l4 latin4"},
    {Iso8859_5, "csisolatincyrillic cyrillic iso-8859-5 iso-ir-144 iso8859-5 iso88595 iso_8859-5 "
                "iso_8859-5:1988"},
    {Iso8859_6, "arabic asmo-708 csiso88596e csiso88596i csisolatinarabic ecma-114 iso-8859-6 "
                "iso-8859-6-e iso-8859-6-i iso-ir-127 iso8859-6 iso88596 iso_8859-6 iso_8859-6:1987"},
    {Iso8859_7, "csisolatingreek ecma-118 elot_928 greek greek8 iso-8859-7 iso-ir-126 iso8859-7 iso88597 "
                "iso_8859-7 iso_8859-7:1987 sun_eu_greek"},
    {Iso8859_8, "csiso88598e csisolatinhebrew hebrew iso-8859-8 iso-8859-8-e iso-ir-138 iso8859-8 "
                "iso88598 iso_8859-8 iso_8859-8:1988 visual"},
    {Iso8859_8I, "csiso88598i iso-8859-8-i logical"},
    {Iso8859_10, "csisolatin6 iso-8859-10 iso-ir-157 iso8859-10 iso885910 l6 latin6"},
    {Iso8859_13, "iso-8859-13 iso8859-13 iso885913"},
    {Iso8859_14, "iso-8859-14 iso8859-14 iso885914"},
    {Iso8859_15, "csisolatin9 iso-8859-15 iso8859-15 iso885915 iso_8859-15 l9"},
    {Iso8859_16, "iso-8859-16"},
    {Koi8R, "cskoi8r koi koi8 koi8-r koi8_r"},
    {Koi8U, "koi8-ru koi8-u"},
    {Macintosh, "csmacintosh mac macintosh x-mac-roman"},
    {Windows874, "dos-874 iso-8859-11 iso8859-11 iso885911 tis-620 windows-874"},
    {Windows1250, "cp1250 windows-1250 x-cp1250"},
    {Windows1251, "cp1251 windows-1251 x-cp1251"},
    {Windows1252, "ansi_x3.4-1968 ascii cp1252 cp819 csisolatin1 ibm819 iso-8859-1 iso-ir-100 iso8859-1 "
                  "iso88591 iso_8859-1 iso_8859-1:1987 l1 latin1 us-ascii windows-1252 x-cp1252"},
    {Windows1253, "cp1253 windows-1253 x-cp1253"},
    {Windows1254, "cp1254 csisolatin5 iso-8859-9 iso-ir-148 iso8859-9 iso88599 iso_8859-9 iso_8859-9:1989 "
                  "l5 latin5 windows-1254 x-cp1254"},
    {Windows1255, "cp1255 windows-1255 x-cp1255"},
    {Windows1256, "cp1256 windows-1256 x-cp1256"},
    {Windows1257, "cp1257 windows-1257 x-cp1257"},
    {Windows1258, "cp1258 windows-1258 x-cp1258"},
    {XMacCyrillic, "x-mac-cyrillic x-mac-ukrainian"},
    {Gbk, "chinese csgb2312 csiso58gb231280 gb2312 gb_2312 gb_2312-80 gbk iso-ir-58 x-gbk"},
    {Gb18030, "gb18030"},
    {Big5, "big5 big5-hkscs cn-big5 csbig5 x-x-big5"},
    {EucJp, "cseucpkdfmtjapanese euc-jp x-euc-jp"},
    {Iso2022Jp, "csiso2022jp iso-2022-jp"},
    {ShiftJis, "csshiftjis ms932 ms_kanji shift-jis shift_jis sjis windows-31j x-sjis"},
    {EucKr, "cseuckr csksc56011987 euc-kr iso-ir-149 korean ks_c_5601-1987 ks_c_5601-1989 ksc5601 "
            "ksc_5601 windows-949"},
    // Encodings that can smuggle markup past a filter; browsers refuse to read them.
    {Replacement, "csiso2022kr hz-gb-2312 iso-2022-cn iso-2022-cn-ext iso-2022-kr replacement"},
    {Utf16Be, "unicodefffe utf-16be"},
    {Utf16Le, "csunicode iso-10646-ucs-2 ucs-2 unicode unicodefeff utf-16 utf-16le"},
    {XUserDefined, "x-user-defined"},
};
// clang-format on

} // namespace WebEncodingTable
