#include "BadFile.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QStringDecoder>

bool BadFile::write(const QString& path, const QByteArray& good, Kind kind)
{
    QFile::remove(path);
    QDir(path).removeRecursively();
    if (kind == Folder) {
        // Not empty, so nothing may delete it in passing.
        QFile inside(path + QStringLiteral("/keep.txt"));
        return QDir().mkpath(path) && inside.open(QIODevice::WriteOnly) && inside.write("keep\r\n") == 6;
    }

    QByteArray bytes;
    switch (kind) {
    case Binary: {
        QRandomGenerator random(42);
        bytes.resize(64 * 1024);
        random.fillRange(reinterpret_cast<quint32*>(bytes.data()), bytes.size() / 4);
        break;
    }
    case TruncatedLine: {
        // Half-way, and never between the CR and LF of a line end.
        qsizetype cut = good.size() / 2;
        while (cut > 0 && (good[cut - 1] == '\r' || good[cut - 1] == '\n' || good[cut] == '\r'))
            --cut;
        bytes = good.left(cut);
        break;
    }
    case TruncatedChar:
        // The last character is a two-byte one; only its first byte is left.
        bytes = good + "caf\xC3";
        break;
    case Windows1252Line:
        bytes = good + "caf\xE9\r\n";
        break;
    case Utf16Le:
    case Utf16Be: {
        const QString text = QString::fromUtf8(good);
        bytes = kind == Utf16Le ? QByteArray("\xFF\xFE") : QByteArray("\xFE\xFF");
        for (const QChar c : text) {
            const char lo = char(c.unicode() & 0xFF);
            const char hi = char(c.unicode() >> 8);
            bytes.append(kind == Utf16Le ? lo : hi);
            bytes.append(kind == Utf16Le ? hi : lo);
        }
        break;
    }
    case CrOnly:
        bytes = good;
        bytes.replace("\r\n", "\r");
        break;
    case Huge:
    case Folder:
        bytes = good;
        break;
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return false;
    // The rest of the 200 MB is a hole: fast to make, read as NUL bytes.
    return kind != Huge || file.resize(HugeBytes);
}

bool BadFile::isClean(const QString& path, QString* why)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *why = QStringLiteral("cannot be opened");
        return false;
    }
    const QByteArray bytes = file.readAll();
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    if (utf8.hasError()) {
        *why = QStringLiteral("not UTF-8");
        return false;
    }
    if (bytes.contains('\0')) {
        *why = QStringLiteral("holds NUL bytes");
        return false;
    }
    if (!bytes.isEmpty() && !bytes.endsWith("\r\n")) {
        *why = QStringLiteral("the last line has no CR LF");
        return false;
    }
    for (qsizetype i = 0; i < text.size(); ++i) {
        const bool crlf = text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n';
        if (crlf) {
            ++i;
            continue;
        }
        if (text[i] == u'\r' || text[i] == u'\n') {
            *why = QStringLiteral("a lone line break at %1").arg(i);
            return false;
        }
    }
    return true;
}
