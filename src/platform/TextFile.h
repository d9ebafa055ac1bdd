#pragma once

#include "platform/SaveOutcome.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

// The program's text files (settings, list files, the results database): 8-bit
// text, one line per entry, every line ended by CR LF. They are written as
// UTF-8. Files edited by hand or written by older tools may be in the Western
// Windows code page instead, wholly or in a few pasted lines, so each line
// that is not valid UTF-8 is read as Windows-1252. Reading accepts CR LF, a
// lone LF and a lone CR as line ends.
class TextFile
{
public:
    // The file's text, or nothing when it cannot be opened (missing, a folder,
    // no access). A leading UTF-8 byte order mark is dropped; a UTF-16 byte
    // order mark makes the file read as UTF-16.
    static std::optional<QString> read(const QString& path);
    // The file's lines; the line end after the last line is optional and adds no
    // line. A line's text ends at its first NUL character.
    static std::optional<QStringList> readLines(const QString& path);

    // Writes every line followed by CR LF, replacing the file as a whole.
    static SaveOutcome writeLines(const QString& path, const QStringList& lines);
    static SaveOutcome writeText(const QString& path, const QString& text);

    static QString decode(const QByteArray& bytes);
    // UTF-8. Reading drops one leading byte order mark, so a text that itself
    // begins with U+FEFF is written with a mark in front to keep that character.
    static QByteArray encode(const QString& text);
    static QStringList splitLines(const QString& text);
    static QByteArray encodeLines(const QStringList& lines);

    // The one line splitter of the program's files: calls take(line, lineEnd)
    // for every line of text, where lineEnd is the CR LF, lone CR or lone LF
    // that ended it. A last line without a line end is passed (with an empty
    // lineEnd) only when it is not empty. View: QStringView or QByteArrayView.
    template <typename View, typename Take> static void forEachLine(View text, Take&& take)
    {
        const qsizetype n = text.size();
        qsizetype start = 0;
        for (qsizetype i = 0; i < n; ++i) {
            if (text[i] != u'\r' && text[i] != u'\n')
                continue;
            const qsizetype endLength = text[i] == u'\r' && i + 1 < n && text[i + 1] == u'\n' ? 2 : 1;
            take(text.sliced(start, i - start), text.sliced(i, endLength));
            i += endLength - 1;
            start = i + 1;
        }
        if (start < n)
            take(text.sliced(start), View());
    }
};
