#pragma once

#include "platform/SaveOutcome.h"

#include <QString>
#include <QStringList>

class SortedListModel;

// The list file format shared by the pattern lists, headers.txt and saved link
// lists: one entry per line, CR LF after every line, nothing else.

// Writes the entries in their order. An empty path asks for nothing: the outcome
// is ok with an empty path and no file is touched.
SaveOutcome SaveListToFile(const QString& path, const QStringList& entries);

enum class MissingListFile
{
    KeepList,  // the bad-words and bad-URLs lists: a file that cannot be opened changes nothing
    EmptyList, // the valid status codes: the list is emptied before the file is opened
};

// Replaces the list by the file's non-empty lines, each exactly as it stands
// (blanks kept). Returns whether the file could be opened. Silent.
bool LoadListFromFile(SortedListModel& list, const QString& path, MissingListFile missing);
