#pragma once

#include "settings/SettingsChoices.h"
#include "settings/SettingsDefaults.h"

#include <span>

// The 57 fields of the settings record, in the order in which links.ini is
// written and read. Each row gives the field's key (also its name in the file),
// its section, its initial value, and the object name of the Config area's
// control that shows it.
//
//   TEXT(key, section, initial text, restore text or nullptr, control)
//        the restore text is what the field's restore button puts back
//   CHOICE(key, section, group, the value this member stands for, initially selected, control)
//   FLAG(key, section, initial state, control)
//
// Everything else (the Key enum, the field table) is generated from this list,
// so a field is added, renamed or moved in one place.
#define QM_SETTINGS_FIELDS(TEXT, CHOICE, FLAG)                                                               \
    TEXT(TestURL, Test, Defaults::TestUrl, nullptr, Text2)                                                   \
                                                                                                             \
    TEXT(TitleRegEx1, Title, Defaults::TitleRegEx1, Defaults::TitleRegEx1, Text10)                           \
    TEXT(TitleRegEx2, Title, Defaults::TitleRegEx2, Defaults::TitleRegEx2, Text9)                            \
    TEXT(TitleRegEx3, Title, Defaults::TitleRegEx3, Defaults::TitleRegEx3, Text11)                           \
    CHOICE(TitleCaps1, Title, TitleCase, CaseMode::Unchanged, true, Option7)                               \
    CHOICE(TitleCaps2, Title, TitleCase, CaseMode::Proper, false, Option4)                                 \
    CHOICE(TitleCaps3, Title, TitleCase, CaseMode::Lower, false, Option5)                                  \
    CHOICE(TitleCaps4, Title, TitleCase, CaseMode::Upper, false, Option6)                                  \
    FLAG(TitleReplace1, Title, FlagState::Off, Check1)                                                       \
    TEXT(TitleReplace2, Title, "", nullptr, Text15)                                                          \
    TEXT(TitleReplace3, Title, "", nullptr, Text18)                                                          \
    CHOICE(TitleNoTitle1, Title, TitleFallback, Fallback::Domain, false, Option18)                           \
    CHOICE(TitleNoTitle2, Title, TitleFallback, Fallback::Empty, true, Option19)                             \
    CHOICE(TitleNoTitle3, Title, TitleFallback, Fallback::Text, false, Option20)                             \
    TEXT(TitleNoTitle4, Title, "", nullptr, Text1)                                                           \
    CHOICE(TitleBadWords1, Title, TitleBadWords, BadWordsPolicy::Refuse, false, Option21)                    \
    CHOICE(TitleBadWords2, Title, TitleBadWords, BadWordsPolicy::Replace, false, Option22)                   \
    TEXT(TitleBadWords3, Title, "", nullptr, Text25)                                                         \
    CHOICE(TitleBadWords4, Title, TitleBadWords, BadWordsPolicy::Ignore, true, Option28)                     \
                                                                                                             \
    TEXT(EmailRegEx1, Email, Defaults::EmailRegEx1, Defaults::EmailRegEx1, Text6)                            \
    TEXT(EmailRegEx2, Email, Defaults::EmailRegEx2, Defaults::EmailRegEx2, Text5)                            \
    TEXT(EmailRegEx3, Email, Defaults::EmailRegEx3, Defaults::EmailRegEx3, Text14)                           \
    CHOICE(EmailOption1, Email, EmailSource, EmailSource::Page, true, Option1)                               \
    CHOICE(EmailOption2, Email, EmailSource, EmailSource::PrefixDomain, false, Option2)                      \
    CHOICE(EmailOption3, Email, EmailSource, EmailSource::PageElsePrefix, false, Option3)                    \
    CHOICE(EmailCaps1, Email, EmailCase, CaseMode::Unchanged, true, Option8)                               \
    CHOICE(EmailCaps2, Email, EmailCase, CaseMode::Proper, false, Option9)                                 \
    CHOICE(EmailCaps3, Email, EmailCase, CaseMode::Lower, false, Option10)                                 \
    CHOICE(EmailCaps4, Email, EmailCase, CaseMode::Upper, false, Option11)                                 \
    FLAG(EmailReplace1, Email, FlagState::Off, Check2)                                                       \
    TEXT(EmailReplace2, Email, "", nullptr, Text16)                                                          \
    TEXT(EmailReplace3, Email, "", nullptr, Text19)                                                          \
                                                                                                             \
    TEXT(DescriptionRegEx1, Description, Defaults::DescriptionRegEx1, Defaults::DescriptionRegEx1, Text12)   \
    TEXT(DescriptionRegEx2, Description, Defaults::DescriptionRegEx2, Defaults::DescriptionRegEx2, Text8)    \
    TEXT(DescriptionRegEx3, Description, Defaults::DescriptionRegEx3, Defaults::DescriptionRegEx3, Text13)   \
    CHOICE(DescriptionCaps1, Description, DescriptionCase, CaseMode::Unchanged, true, Option12)            \
    CHOICE(DescriptionCaps2, Description, DescriptionCase, CaseMode::Proper, false, Option13)              \
    CHOICE(DescriptionCaps3, Description, DescriptionCase, CaseMode::Lower, false, Option14)               \
    CHOICE(DescriptionCaps4, Description, DescriptionCase, CaseMode::Upper, false, Option15)               \
    FLAG(DescriptionReplace1, Description, FlagState::Off, Check3)                                           \
    TEXT(DescriptionReplace2, Description, "", nullptr, Text17)                                              \
    TEXT(DescriptionReplace3, Description, "", nullptr, Text20)                                              \
    CHOICE(DescriptionNoTitle1, Description, DescriptionFallback, Fallback::Domain, false, Option23)         \
    CHOICE(DescriptionNoTitle2, Description, DescriptionFallback, Fallback::Empty, true, Option24)           \
    CHOICE(DescriptionNoTitle3, Description, DescriptionFallback, Fallback::Text, false, Option25)           \
    TEXT(DescriptionNoTitle4, Description, "", nullptr, Text26)                                              \
    CHOICE(DescriptionBadWords1, Description, DescriptionBadWords, BadWordsPolicy::Refuse, false, Option26)  \
    CHOICE(DescriptionBadWords2, Description, DescriptionBadWords, BadWordsPolicy::Replace, false, Option27) \
    TEXT(DescriptionBadWords3, Description, "", nullptr, Text27)                                             \
    CHOICE(DescriptionBadWords4, Description, DescriptionBadWords, BadWordsPolicy::Ignore, true, Option29)   \
                                                                                                             \
    TEXT(BadWordsFile, BadWords, "", Defaults::BadWordsFile, Text24)                                         \
    TEXT(BadDomainsFile, BadDomains, "", Defaults::BadDomainsFile, Text28)                                   \
    TEXT(OutputASCIIFile, Output, Defaults::OutputAsciiFile, Defaults::OutputAsciiFile, Text21)              \
    TEXT(OutputASCIIDelimeter, Output, Defaults::OutputAsciiDelimiter, Defaults::OutputAsciiDelimiter,       \
         Text22)                                                                                             \
    TEXT(Reciptext, Recip, Defaults::RecipText, Defaults::RecipTextRestore, Text30)                          \
    FLAG(UseRecip, Recip, FlagState::Off, Check4)                                                            \
    FLAG(ContentTypeCheck, ServerHeaders, FlagState::On, Check5)

enum class FieldKind
{
    Text,
    Choice,
    Flag
};

// A flag's greyed state only comes from a hand-edited links.ini and counts as off.
enum class FlagState
{
    Off = 0,
    On = 1,
    Greyed = 2
};

// A field of the record, by its key: Key::TitleRegEx1.
enum class Key
{
#define QM_KEY_ENUMERATOR(key, ...) key,
    QM_SETTINGS_FIELDS(QM_KEY_ENUMERATOR, QM_KEY_ENUMERATOR, QM_KEY_ENUMERATOR)
#undef QM_KEY_ENUMERATOR
};

inline constexpr int FieldCount = 0
#define QM_COUNT_FIELD(...) +1
    QM_SETTINGS_FIELDS(QM_COUNT_FIELD, QM_COUNT_FIELD, QM_COUNT_FIELD)
#undef QM_COUNT_FIELD
    ;
static_assert(FieldCount == 57);

// One row of the table above.
struct SettingsField
{
    Key id;
    const char* key;     // the key in links.ini
    const char* section; // its section
    FieldKind kind;
    const char* initialText; // Text: the initial value
    const char* restoreText; // Text: what the restore button puts back, or nullptr
    int group;               // Choice: its group (Groups::...index), else -1
    int member;              // Choice: the value of its group it stands for
    bool initiallySelected;  // Choice
    FlagState initialFlag;   // Flag
    const char* control;     // object name of the Config area's control
};

// Every field, in the order of links.ini; fields()[int(key)] is the key's row.
std::span<const SettingsField> settingsFields();
const SettingsField& fieldOf(Key key);
