#pragma once

#include <QString>

// Texts written into systemd unit files. systemd reads a unit's values
// through two layers before a program sees them: "%" starts a specifier (%h,
// %d ...) in almost every setting, and a command line is split into words at
// blanks, with double quotes, C-style backslash escapes and "$NAME" taken
// from the environment. A path must pass both layers unchanged.
class SystemdQuoting
{
public:
    // One word of an ExecStart= line: in double quotes, with '\' and '"'
    // escaped by a backslash, control characters as \xNN, '%' as "%%" and '$'
    // as "$$".
    static QString commandWord(const QString& word);

    // A free text value such as Description=: '%' as "%%", control characters
    // as blanks, and no backslash at the end (it would join the next line).
    static QString plainValue(const QString& text);
};
