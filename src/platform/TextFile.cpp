#include "platform/TextFile.h"

#include "platform/AtomicFile.h"

#include <QFile>
#include <QStringDecoder>
#include <algorithm>

namespace {

// Windows-1252 differs from Latin-1 only in 0x80..0x9F. The five bytes the code
// page leaves undefined map to the C1 controls of the same value, as Windows does.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

QString decodeCp1252(const QByteArray& bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        *out++ = (b >= 0x80 && b < 0xA0) ? QChar(kCp1252High[b - 0x80]) : QChar(b);
    }
    return text;
}

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

// The bytes of a character cut off by the end of the file: a lead byte
// followed by fewer continuation bytes than it announces. 0 when there is none.
qsizetype tornCharacter(QByteArrayView bytes)
{
    for (qsizetype k = 1; k <= 3 && k <= bytes.size(); ++k) {
        const auto b = static_cast<unsigned char>(bytes[bytes.size() - k]);
        if ((b & 0xC0) == 0x80)
            continue;
        const qsizetype length = (b >= 0xF0 && b <= 0xF4)  ? 4
                                 : (b >= 0xE0 && b < 0xF0) ? 3
                                 : (b >= 0xC2 && b < 0xE0) ? 2
                                                           : 0;
        return length > k ? k : 0;
    }
    return 0;
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
    QStringDecoder utf8(QStringConverter::Utf8,
                        QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
    QString text = utf8.decode(view);
    if (!utf8.hasError())
        return text;
    // A file cut off in the middle of a character (a full disk, a copy that
    // broke off) is still UTF-8: only the torn character is lost, instead of
    // every other non-ASCII character turning into Windows-1252 pairs. The
    // rest must show UTF-8 characters of its own: a Windows-1252 file that
    // merely ends in an accented letter stays Windows-1252.
    if (const qsizetype torn = tornCharacter(view)) {
        const QByteArrayView head = view.chopped(torn);
        QStringDecoder utf8Head(QStringConverter::Utf8, QStringConverter::Flag::Stateless |
                                                            QStringConverter::Flag::ConvertInitialBom);
        text = utf8Head.decode(head);
        const bool hasMultiByte =
            std::any_of(head.begin(), head.end(), [](char c) { return uchar(c) >= 0x80; });
        if (!utf8Head.hasError() && hasMultiByte)
            return text + QChar(QChar::ReplacementCharacter);
    }
    return decodeCp1252(bytes);
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
    const qsizetype n = text.size();
    const QChar* data = text.constData();
    qsizetype start = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = data[i];
        if (c != u'\r' && c != u'\n')
            continue;
        lines.append(QString(data + start, i - start));
        if (c == u'\r' && i + 1 < n && data[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < n)
        lines.append(QString(data + start, n - start));
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
