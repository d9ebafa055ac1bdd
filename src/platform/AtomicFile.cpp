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
    if (!file.open(QIODevice::WriteOnly))
        return SaveOutcome::failure(path, file.errorString());
    if (file.write(bytes) != bytes.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        file.commit();
        return SaveOutcome::failure(path, reason);
    }
    if (!file.commit())
        return SaveOutcome::failure(path, file.errorString());
    return SaveOutcome::success(path);
}
