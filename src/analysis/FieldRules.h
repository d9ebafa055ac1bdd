#pragma once

#include "analysis/Pattern.h"

#include <QString>
#include <QStringList>
#include <optional>

class Settings;

// The extraction rules of the three fields as functions of texts. The batch run
// and the configuration test run both call them, each in its own order and with
// its own options; every rule reads the settings it needs at the moment it runs.

// The settings of a field are the keys with its stem: Title*, Email*, Description*.
enum class Field
{
    Title,
    Email,
    Description
};

// T1 / D1: the last match of RegEx1 + RegEx2 + RegEx3 joined, start and end parts
// included; empty when nothing matches or the pattern fails. For Email: the last
// match of EmailRegEx1 (EmailRegEx2 is a prefix, not a pattern).
QString FindField(const Settings& settings, Field field, const QString& pageText);

// T2 + T3 / D2 + D3: every match of RegEx1, then every match of RegEx3, removed
// from the text (anywhere in it, not only at its ends). Email: unchanged.
QString StripStartEnd(const Settings& settings, Field field, const QString& text);

// T4 / D4: every CR LF pair removed; lone CRs and LFs stay.
QString RemoveLineBreaks(const QString& text);

// T5 / D5. refuse: a non-empty entry matched under "Do not add this URL to tab 4"
// (BadWords1). hits: the number of non-empty entries whose test took the found
// branch, whatever the option. Under "Replace all Bad Words matches with this:"
// (BadWords2) each entry is tested on the text as the entries before it left it.
struct BadWordsOutcome
{
    QString text;
    bool refuse = false;
    int hits = 0;
};
BadWordsOutcome ApplyBadWords(const Settings& settings, Field field, const QString& text,
                              const QStringList& badWords);

// T6 / D6: the cell unless it is exactly empty; then the domain (NoTitle1),
// empty (NoTitle2 or none selected) or the text NoTitle4 (NoTitle3). Email has no
// fallback and gets the cell back.
QString ApplyFallback(const Settings& settings, Field field, const QString& cell, const QString& domain);

// Caps1..Caps4 of the field; Unchanged when none is selected.
CaseMode SelectedCaseMode(const Settings& settings, Field field);

// T7 / E2 / D7.
QString ApplyFieldCase(const Settings& settings, Field field, const QString& cell);

// T8 / E3 / D8: when Replace1 is on, every match of Replace2 replaced by
// Replace3. The batch run's title replace heeds letter case; every other use
// ignores it.
QString ApplyFieldReplace(const Settings& settings, Field field, const QString& cell, bool caseSensitive);

// E1: under EmailOption1 the last match of EmailRegEx1 in the page, under
// EmailOption2 EmailRegEx2 followed by the domain, under EmailOption3 the first
// unless it is empty, else the second. nullopt when no option is selected.
std::optional<QString> ExtractEmail(const Settings& settings, const QString& pageText, const QString& domain);
