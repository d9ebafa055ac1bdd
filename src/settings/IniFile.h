#pragma once

#include <QString>

// One value of one key of an INI file (rules: IniDocument).

// At most IniMaxValueLength characters of the value; the empty text when the
// file, the section or the key does not exist.
inline constexpr int IniMaxValueLength = 254;
QString GetIniValue(const QString& section, const QString& key, const QString& file);

// Creates the file, the section and the key as needed; every other line of the
// file stays as it was. False when the file could not be written, or exists but
// could not be read (it is then left alone rather than replaced by one key).
bool PutIniValue(const QString& section, const QString& key, const QString& value, const QString& file);

// A stored value as it is read back: cut to IniMaxValueLength characters,
// never splitting a surrogate pair.
QString CutIniValue(const QString& value);
