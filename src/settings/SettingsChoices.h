#pragma once

// The radio groups of the settings record, as the values they choose between.
// In links.ini and on the Config area each member is a Boolean of its own
// (TitleCaps1..TitleCaps4); in memory a group holds one of these values, or
// none when a hand-edited file left every member cleared.

// Caps1..Caps4 of a field: how the pattern primitives change a text's letter
// case. The numbers are the members' numbers in the settings file.
enum class CaseMode
{
    Unchanged = 1,
    Proper = 2,
    Lower = 3,
    Upper = 4
};

// NoTitle1..NoTitle3: what an empty title or description becomes.
enum class Fallback
{
    Domain,
    Empty,
    Text // the text of NoTitle4
};

// BadWords1, BadWords2, BadWords4 (BadWords3 is the replacement text).
enum class BadWordsPolicy
{
    Refuse,
    Replace,
    Ignore
};

// EmailOption1..EmailOption3.
enum class EmailSource
{
    Page,          // the last match of EmailRegEx1 in the page
    PrefixDomain,  // EmailRegEx2 followed by the URL's domain
    PageElsePrefix // the page's address, else prefix and domain
};

// One radio group, typed by the values it chooses between, so that asking the
// title's fallback for a letter case cannot compile.
template <class Value> struct ChoiceGroup
{
    int index;
};

namespace Groups {
inline constexpr ChoiceGroup<CaseMode> TitleCase{0};
inline constexpr ChoiceGroup<Fallback> TitleFallback{1};
inline constexpr ChoiceGroup<BadWordsPolicy> TitleBadWords{2};
inline constexpr ChoiceGroup<::EmailSource> EmailSource{3};
inline constexpr ChoiceGroup<CaseMode> EmailCase{4};
inline constexpr ChoiceGroup<CaseMode> DescriptionCase{5};
inline constexpr ChoiceGroup<Fallback> DescriptionFallback{6};
inline constexpr ChoiceGroup<BadWordsPolicy> DescriptionBadWords{7};
inline constexpr int Count = 8;
} // namespace Groups
