#pragma once

#include "platform/SaveOutcome.h"

#include <QString>

class Settings;

// The settings record in links.ini: all 57 fields, in the record's field order,
// each under its section and key.

// Writes every field (choices as "True"/"False", flags as 0/1/2, texts as they
// stand) with one replacement of the file. Lines of the file that are not ours
// (other keys, other sections, comments) stay as they were.
SaveOutcome SaveSettings(const Settings& settings, const QString& iniPath);

// Reads every field: a text becomes the stored value (empty when missing); a
// choice or flag whose stored value cannot be read keeps its state. Silent.
void LoadSettings(Settings& settings, const QString& iniPath);
