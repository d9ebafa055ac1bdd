#include "filters/ListFile.h"

#include "filters/SortedListModel.h"
#include "platform/TextFile.h"

SaveOutcome SaveListToFile(const QString& path, const QStringList& entries)
{
    if (path.isEmpty())
        return SaveOutcome::success(path);
    return TextFile::writeLines(path, entries);
}

bool LoadListFromFile(SortedListModel& list, const QString& path, MissingListFile missing)
{
    std::optional<QStringList> lines = TextFile::readLines(path);
    if (!lines) {
        if (missing == MissingListFile::EmptyList)
            list.clear();
        return false;
    }
    lines->removeIf([](const QString& line) { return line.isEmpty(); });
    list.setEntries(*lines);
    return true;
}

void RemoveSelectedItems(SortedListModel& list)
{
    list.removeSelected();
}
