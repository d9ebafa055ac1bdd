#pragma once

#include <QByteArray>
#include <QString>

// Writes the kinds of damaged file a user's program folder may hold in place
// of links.ini, a list file or the results file.
class BadFile
{
public:
    enum Kind
    {
        Binary,          // random bytes
        TruncatedLine,   // cut in the middle of a line
        TruncatedChar,   // cut in the middle of a UTF-8 character
        Windows1252Line, // UTF-8 but for one last line "caf\xE9" pasted from an old Windows file
        Utf16Le,         // "Unicode" as Notepad saves it, with its byte order mark
        Utf16Be,
        CrOnly, // old Mac line ends
        Huge,   // 200 MB: the good content, then a sparse tail of NUL bytes
        Folder, // a folder where the file should be
    };

    static constexpr qint64 HugeBytes = qint64(200) * 1024 * 1024;

    // Puts the damaged form of `good` (text with CR LF line ends) at path.
    static bool write(const QString& path, const QByteArray& good, Kind kind);

    // A file is clean when it is UTF-8 text, every line ended by CR LF, with no
    // NUL and no lone CR or LF. `why` says what is wrong otherwise.
    static bool isClean(const QString& path, QString* why);
};
