#pragma once

#include "platform/SaveOutcome.h"

#include <QString>

class ProgramFolder;
class ResultsTable;
class SettingsSnapshot;

// The delimited results file: one line per data row, the five cells joined by a
// literal delimiter (any length, empty allowed), no header, no quoting, CR LF
// after every line. An empty row is a line of four delimiters.

// Replaces the file by the table's data rows.
SaveOutcome SaveResults(const ResultsTable& table, const QString& path, const QString& delimiter);

// Replaces the table by the file's rows; false (table untouched) when the file
// cannot be opened. Empty lines and lines of NUL bytes only give no row. A line is cut at its first four
// delimiters: fewer fields leave the last cells empty, and a line with more
// keeps everything after the fourth delimiter in "URL", so that a URL holding
// the delimiter neither stops the load nor loses text, and saves back unchanged.
bool LoadResults(ResultsTable& table, const QString& path, const QString& delimiter);

// The same with the file name and delimiter as the settings hold them now
// (OutputASCIIFile relative to the program folder, OutputASCIIDelimeter).
SaveOutcome SaveResults(const ResultsTable& table, const SettingsSnapshot& settings,
                        const ProgramFolder& folder);
bool LoadResults(ResultsTable& table, const SettingsSnapshot& settings, const ProgramFolder& folder);
