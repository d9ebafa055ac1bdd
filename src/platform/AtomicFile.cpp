#include "platform/AtomicFile.h"

#include <QFileInfo>
#include <QSaveFile>

SaveOutcome AtomicFile::write(const QString& path, const QByteArray& bytes)
{
    if (path.isEmpty())
        return SaveOutcome::failure(path, QStringLiteral("no file name was given"));
    // QSaveFile would happily write a temporary file beside a folder and only
    // fail at the rename; saying so up front gives the user a plain reason.
    const QFileInfo info(path);
    if (info.isDir())
        return SaveOutcome::failure(path, QStringLiteral("it is a folder, not a file"));

    QSaveFile file(path);
    // Never fall back to writing the target in place: that is exactly the
    // half-written file this class exists to avoid.
    file.setDirectWriteFallback(false);
    // Unbuffered: a buffered QSaveFile reports success for data that the
    // final flush failed to write (full disk, file size limit) and then
    // commits the truncated file. Written directly, every short write shows.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return SaveOutcome::failure(path, file.errorString());
    qint64 done = 0;
    while (done < bytes.size()) {
        // A short write is followed by one more, which fails with the reason.
        const qint64 n = file.write(bytes.constData() + done, bytes.size() - done);
        if (n <= 0) {
            const QString reason = file.errorString();
            file.cancelWriting();
            file.commit(); // discards the temporary file
            return SaveOutcome::failure(path, reason);
        }
        done += n;
    }
    if (!file.commit())
        return SaveOutcome::failure(path, file.errorString());
    return SaveOutcome::success(path);
}
