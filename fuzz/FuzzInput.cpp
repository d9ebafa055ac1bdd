#include "FuzzInput.h"

#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <memory>

FuzzInput::FuzzInput(const uint8_t* data, size_t size, int maxParts)
{
    if (size == 0)
        return;
    m_options = data[0];
    const QByteArray rest(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    qsizetype start = 0;
    while (m_parts.size() < maxParts - 1) {
        const qsizetype nul = rest.indexOf('\0', start);
        if (nul < 0)
            break;
        m_parts.append(rest.mid(start, nul - start));
        start = nul + 1;
    }
    m_parts.append(rest.mid(start));
}

QString FuzzInput::text(const QByteArray& bytes, bool rawUtf16)
{
    if (!rawUtf16)
        return QString::fromUtf8(bytes);
    QString out(bytes.size() / 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < out.size(); ++i)
        out[i] = QChar(char16_t(uint8_t(bytes[2 * i]) | (uint8_t(bytes[2 * i + 1]) << 8)));
    return out;
}

void fuzzFail(const char* what, const QString& detail)
{
    std::fprintf(stderr, "INVARIANT BROKEN: %s\n", what);
    if (!detail.isEmpty())
        std::fprintf(stderr, "%s\n", detail.left(20000).toUtf8().constData());
    std::fflush(stderr);
    std::abort();
}

QString fuzzScratchFile(const QString& name)
{
    // Lives until the process ends; libFuzzer runs every input in one process.
    static const std::unique_ptr<QTemporaryDir> dir = [] {
        auto d = std::make_unique<QTemporaryDir>(QStringLiteral("/dev/shm/qm-fuzz-XXXXXX"));
        if (!d->isValid())
            d = std::make_unique<QTemporaryDir>();
        return d;
    }();
    return dir->filePath(name);
}
