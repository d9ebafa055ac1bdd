#pragma once

#include "pattern/Pattern.h"
#include "settings/SettingsChoices.h"

#include <QString>
#include <QStringList>
#include <optional>

class SettingsSnapshot;

// The extraction rules of the three fields as functions of texts. The batch run
// and the configuration test run both call them, each in its own order and with
// its own options; every rule reads the settings it needs from the snapshot
// that the caller took for this page.
// Title and description are found and cleaned before the decision whether the
// page becomes a row (find, strip start and end, remove line breaks, bad words);
// the fallback, case and replace rules then shape the cells of an accepted row.
// The line breaks are removed by StripLineBreaks() of Pattern.h.

// The settings of a field are the keys with its stem: Title*, Email*, Description*.
enum class Field
{
    Title,
    Email,
    Description
};

// Find: the last match of RegEx1 + RegEx2 + RegEx3 joined, start and end parts
// included; empty when nothing matches or the pattern fails. For Email: the last
// match of EmailRegEx1 (EmailRegEx2 is a prefix, not a pattern).
QString FindField(const SettingsSnapshot& settings, Field field, const QString& pageText);

// Strip the start and end parts: every match of RegEx1, then every match of RegEx3, removed
// from the text (anywhere in it, not only at its ends). Email: unchanged.
QString StripStartEnd(const SettingsSnapshot& settings, Field field, const QString& text);

// Bad words. refuse: a non-empty entry matched under "Do not add this URL to tab 4"
// (BadWords1). hits: the number of non-empty entries whose test took the found
// branch, whatever the option. Under "Replace all Bad Words matches with this:"
// (BadWords2) each entry is tested on the text as the entries before it left it.
struct BadWordsOutcome
{
    QString text;
    bool refuse = false;
    int hits = 0;
    QString refusedBy; // the first entry that refused the page, for diagnostics
};
BadWordsOutcome ApplyBadWords(const SettingsSnapshot& settings, Field field, const QString& text,
                              const QStringList& badWords);

// Fallback for an empty field: the cell unless it is exactly empty; then the domain (NoTitle1),
// empty (NoTitle2 or none selected) or the text NoTitle4 (NoTitle3). Email has no
// fallback and gets the cell back.
QString ApplyFallback(const SettingsSnapshot& settings, Field field, const QString& cell,
                      const QString& domain);

// Lower and upper case follow the default locale's rules. Proper lower-cases
// everything, then upper-cases the character at the start and after each space,
// tab, LF, VT, FF, CR or NUL; punctuation does not start a word.
QString ApplyCaseMode(const QString& text, CaseMode mode);

// The field's case group (Caps1..Caps4); Unchanged when none is selected.
CaseMode SelectedCaseMode(const SettingsSnapshot& settings, Field field);

// The field's case mode applied to the cell.
QString ApplyFieldCase(const SettingsSnapshot& settings, Field field, const QString& cell);

// The field's find-and-replace: when Replace1 is on, every match of Replace2 replaced by
// Replace3. The batch run's title replace heeds letter case; every other use
// ignores it.
QString ApplyFieldReplace(const SettingsSnapshot& settings, Field field, const QString& cell,
                          bool caseSensitive);

// The e-mail source: under EmailOption1 the last match of EmailRegEx1 in the page, under
// EmailOption2 EmailRegEx2 followed by the domain, under EmailOption3 the first
// unless it is empty, else the second. nullopt when no option is selected.
std::optional<QString> ExtractEmail(const SettingsSnapshot& settings, const QString& pageText,
                                    const QString& domain);
