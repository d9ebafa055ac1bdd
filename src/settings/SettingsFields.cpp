#include "settings/SettingsFields.h"

#include <array>

namespace {

#define QM_TEXT_ROW(key, section, initial, restore, control)                                                 \
    SettingsField{Key::key, #key, #section, FieldKind::Text, initial, restore,                               \
                  -1,       0,    false,    FlagState::Off,  #control},
#define QM_CHOICE_ROW(key, section, group, member, selected, control)                                        \
    SettingsField{                                                                                           \
        Key::key,    #key,     #section,       FieldKind::Choice, "", nullptr, Groups::group.index,          \
        int(member), selected, FlagState::Off, #control},
#define QM_FLAG_ROW(key, section, initial, control)                                                          \
    SettingsField{Key::key, #key, #section, FieldKind::Flag, "", nullptr, -1, 0, false, initial, #control},

constexpr std::array<SettingsField, FieldCount> kFields{
    {QM_SETTINGS_FIELDS(QM_TEXT_ROW, QM_CHOICE_ROW, QM_FLAG_ROW)}};

#undef QM_TEXT_ROW
#undef QM_CHOICE_ROW
#undef QM_FLAG_ROW

constexpr bool rowsInKeyOrder()
{
    for (int i = 0; i < FieldCount; ++i)
        if (int(kFields[i].id) != i)
            return false;
    return true;
}
static_assert(rowsInKeyOrder());

// Exactly one member of every group starts selected.
constexpr bool oneInitialMemberPerGroup()
{
    for (int g = 0; g < Groups::Count; ++g) {
        int selected = 0;
        for (const SettingsField& f : kFields)
            if (f.group == g && f.initiallySelected)
                ++selected;
        if (selected != 1)
            return false;
    }
    return true;
}
static_assert(oneInitialMemberPerGroup());

} // namespace

std::span<const SettingsField> settingsFields()
{
    return kFields;
}

const SettingsField& fieldOf(Key key)
{
    return kFields[std::size_t(key)];
}
