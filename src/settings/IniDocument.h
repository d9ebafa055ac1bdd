#pragma once

#include "platform/SaveOutcome.h"

#include <QString>
#include <QStringList>
#include <optional>

// An INI file held in memory as its lines, so that many values are read from
// one read of the file and written with one replacement of it.
//
// Rules: a line whose first non-blank character is '[' starts a section named by
// the text up to ']'; a line "key=value" is a value of the section above it;
// section and key names match without regard to letter case. Lines starting
// with ';' and lines without '=' are kept but mean nothing. When a key appears
// twice, the first one counts (for reading and for writing).
class IniDocument
{
public:
    IniDocument() = default;

    // Reads the file; false (and an empty document) when it cannot be opened.
    bool load(const QString& path);
    // Writes every line ended by CR LF, replacing the file as a whole.
    SaveOutcome save(const QString& path) const;

    const QStringList& lines() const { return m_lines; }
    void setLines(const QStringList& lines) { m_lines = lines; }

    // The stored value without the blanks around it and without one pair of
    // matching enclosing quotes, or nothing when the section or key is missing.
    std::optional<QString> value(const QString& section, const QString& key) const;

    // Changes the key in place, or adds it at the end of its section (after the
    // section's last non-blank line), or adds the section at the end. Every other
    // line stays as it was. A line break inside the value would start a new line
    // of the file, so each one is written as a blank. A value that begins or
    // ends with a blank or tab, or is enclosed in matching quotes, is written
    // inside one more pair of double quotes, so it reads back whole.
    void setValue(const QString& section, const QString& key, const QString& value);

private:
    struct Location
    {
        qsizetype keyLine = -1;    // line of the key, or -1
        qsizetype sectionEnd = -1; // last non-blank line of the first matching section, or -1
    };
    Location locate(const QString& section, const QString& key) const;

    QStringList m_lines;
};
