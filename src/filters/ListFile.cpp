#include "filters/ListFile.h"

#include "filters/SortedListModel.h"
#include "platform/LogCategories.h"
#include "platform/TextFile.h"

SaveOutcome SaveListToFile(const QString& path, const QStringList& entries)
{
    if (path.isEmpty())
        return SaveOutcome::success(path);
    const SaveOutcome saved = TextFile::writeLines(path, entries);
    qCDebug(lcFilters, "%lld entries saved to %s: %s", qint64(entries.size()), qUtf8Printable(path),
            saved.ok ? "ok" : qUtf8Printable(saved.error));
    return saved;
}

bool LoadListFromFile(SortedListModel& list, const QString& path, MissingListFile missing)
{
    std::optional<QStringList> lines = TextFile::readLines(path);
    if (!lines) {
        qCDebug(lcFilters, "%s cannot be read: the list %s", qUtf8Printable(path),
                missing == MissingListFile::EmptyList ? "is emptied" : "stays as it was");
        if (missing == MissingListFile::EmptyList)
            list.clear();
        return false;
    }
    lines->removeIf([](const QString& line) { return line.isEmpty(); });
    qCDebug(lcFilters, "%lld entries loaded from %s", qint64(lines->size()), qUtf8Printable(path));
    list.setEntries(*lines);
    return true;
}
