#include "platform/TextFile.h"

#include "platform/AtomicFile.h"
#include "platform/TextBytes.h"

#include <QFile>
#include <QStringDecoder>

namespace {

// A lone surrogate cannot be written as UTF-8; it becomes U+FFFD on reading
// already, so what is read is what a save writes back.
QString replaceLoneSurrogates(QString text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
        else if (c.isSurrogate())
            text[i] = QChar::ReplacementCharacter;
    }
    return text;
}

// Line by line: a file that is UTF-8 but for a line pasted from an old
// Windows program keeps its UTF-8 lines; only the lines that are not UTF-8 are
// read as Windows-1252. Line-break bytes are the same in both.
QString decodeByLine(QByteArrayView bytes)
{
    QString text;
    text.reserve(bytes.size());
    TextFile::forEachLine(bytes, [&text](QByteArrayView line, QByteArrayView lineEnd) {
        text += TextBytes::isUtf8(line) ? TextBytes::fromUtf8(line) : TextBytes::fromWindows1252(line);
        text += QLatin1String(lineEnd.data(), lineEnd.size());
    });
    return text;
}

} // namespace

QString TextFile::decode(const QByteArray& bytes)
{
    QByteArrayView view(bytes);
    // Notepad's "Unicode" files, which the Windows profile functions read too.
    const bool little = view.startsWith("\xFF\xFE");
    if (little || view.startsWith("\xFE\xFF")) {
        QStringDecoder utf16(little ? QStringConverter::Utf16LE : QStringConverter::Utf16BE,
                             QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
        return replaceLoneSurrogates(utf16.decode(view.sliced(2)));
    }
    // Exactly one mark is dropped, here; the decoders keep any further one.
    if (view.startsWith("\xEF\xBB\xBF"))
        view = view.sliced(3);
    if (TextBytes::isUtf8(view))
        return TextBytes::fromUtf8(view);
    // A file cut off in the middle of a character (a full disk, a copy that
    // broke off) is still UTF-8: only the torn character is lost. The rest
    // must show UTF-8 characters of its own: a Windows-1252 file that merely
    // ends in an accented letter stays Windows-1252.
    const QByteArrayView head = view.chopped(TextBytes::tornUtf8Tail(view));
    if (head.size() < view.size() && TextBytes::isUtf8(head) && TextBytes::hasNonAscii(head))
        return TextBytes::fromUtf8(head) + QChar(QChar::ReplacementCharacter);
    return decodeByLine(view);
}

QByteArray TextFile::encode(const QString& text)
{
    QByteArray bytes = text.toUtf8();
    if (text.startsWith(QChar(0xFEFF)))
        bytes.prepend("\xEF\xBB\xBF");
    return bytes;
}

QStringList TextFile::splitLines(const QString& text)
{
    QStringList lines;
    forEachLine(QStringView(text),
                [&lines](QStringView line, QStringView) { lines.append(line.toString()); });
    return lines;
}

std::optional<QString> TextFile::read(const QString& path)
{
    if (path.isEmpty())
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return decode(file.readAll());
}

std::optional<QStringList> TextFile::readLines(const QString& path)
{
    std::optional<QString> text = read(path);
    if (!text)
        return std::nullopt;
    QStringList lines = splitLines(*text);
    text.reset();
    // A NUL ends the text of a line, as it ends a string for the profile and
    // list functions these files come from; what follows it is binary residue
    // (a file padded with zeros after a crash, a binary file in the wrong place).
    for (QString& line : lines) {
        const qsizetype nul = line.indexOf(QChar(0));
        if (nul >= 0) {
            line.truncate(nul);
            line.squeeze();
        }
    }
    return lines;
}

QByteArray TextFile::encodeLines(const QStringList& lines)
{
    qsizetype size = 0;
    for (const QString& line : lines)
        size += line.size() + 2;
    QByteArray bytes;
    bytes.reserve(size + size / 8 + 3);
    if (!lines.isEmpty() && lines.first().startsWith(QChar(0xFEFF)))
        bytes.append("\xEF\xBB\xBF"); // see encode()
    for (const QString& line : lines) {
        bytes.append(line.toUtf8());
        bytes.append("\r\n", 2);
    }
    return bytes;
}

SaveOutcome TextFile::writeLines(const QString& path, const QStringList& lines)
{
    return AtomicFile::write(path, encodeLines(lines));
}

SaveOutcome TextFile::writeText(const QString& path, const QString& text)
{
    return AtomicFile::write(path, encode(text));
}
