#include "store/StoreOpener.h"

#include "store/SqliteConnection.h"
#include "platform/LogCategories.h"
#include "store/StoreSchema.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

StoreOpener::Result StoreOpener::open(SqliteConnection& db, const QString& path, int busyTimeoutMs)
{
    int code = db.open(path, busyTimeoutMs);
    auto verdict = code == 0 ? StoreSchema::prepare(db) : StoreSchema::verdictOf(code);
    if (verdict == StoreSchema::Verdict::Ready)
        return {State::Ready, QString()};
    qCDebug(lcStore) << "store" << path << "verdict" << int(verdict) << db.lastMessage();
    db.close();
    if (verdict != StoreSchema::Verdict::Broken)
        return {State::Unavailable, failureMessage(int(verdict), path, true)};

    const QString aside = moveAside(path);
    const QString shown = QDir::toNativeSeparators(path);
    if (aside.isEmpty())
        return {State::Unavailable,
                QStringLiteral("The run journal %1 is damaged and could not be moved aside. "
                               "Runs are not journaled.")
                    .arg(shown)};
    code = db.open(path, busyTimeoutMs);
    verdict = code == 0 ? StoreSchema::prepare(db) : StoreSchema::verdictOf(code);
    if (verdict != StoreSchema::Verdict::Ready) {
        db.close();
        return {State::Unavailable, failureMessage(int(verdict), path, true)};
    }
    return {State::Replaced, QStringLiteral("The run journal %1 was damaged. It was moved aside as %2 "
                                            "and a new one was started.")
                                 .arg(shown, QFileInfo(aside).fileName())};
}

QString StoreOpener::moveAside(const QString& path, const QDateTime& when)
{
    const QString base =
        path + QLatin1String(".broken-") + when.toString(QStringLiteral("yyyy-MM-ddTHHmmss"));
    QString target = base;
    for (int n = 2; QFileInfo::exists(target) || QFileInfo::exists(target + QLatin1String("-wal")); ++n)
        target = base + QLatin1Char('-') + QString::number(n);
    if (!QFile::rename(path, target))
        return QString();
    // The log belongs to the old file: left in place, the new file would take
    // its pages as its own. The shared-memory index is rebuilt from the log.
    for (const char* suffix : {"-wal", "-shm"}) {
        const QString from = path + QLatin1String(suffix);
        if (QFileInfo::exists(from) && !QFile::rename(from, target + QLatin1String(suffix)))
            qCDebug(lcStore) << "could not move" << from;
    }
    qCDebug(lcStore) << "moved" << path << "aside as" << target;
    return target;
}

QString StoreOpener::failureMessage(int verdict, const QString& path, bool atOpen)
{
    const QString shown = QDir::toNativeSeparators(path);
    const QString consequence =
        atOpen ? QStringLiteral("Runs are not journaled.") : QStringLiteral("This run goes on without it.");
    QString what;
    switch (StoreSchema::Verdict(verdict)) {
    case StoreSchema::Verdict::Newer:
        what = QStringLiteral("The run journal %1 was written by a newer version of Quillmark.");
        break;
    case StoreSchema::Verdict::Locked:
        what = QStringLiteral("The run journal %1 is locked by another program.");
        break;
    case StoreSchema::Verdict::ReadOnly:
        what = QStringLiteral("The run journal %1 cannot be written (read-only folder or file).");
        break;
    case StoreSchema::Verdict::Full:
        what = QStringLiteral("The run journal %1 cannot be written: the disk is full.");
        break;
    case StoreSchema::Verdict::Broken:
        what = QStringLiteral("The run journal %1 is damaged.");
        break;
    case StoreSchema::Verdict::Ready:
    case StoreSchema::Verdict::Failed:
        what = QStringLiteral("The run journal %1 cannot be written (input/output error).");
        break;
    }
    return what.arg(shown) + QLatin1Char(' ') + consequence;
}
