#pragma once

#include "settings/SettingsFields.h"

#include <QSharedDataPointer>
#include <QString>
#include <optional>

class SettingsSnapshotData;

// The settings record's values at one moment: a value type, cheap to copy
// (the values are shared until the record changes), never changed after it was
// taken, and safe to read from any thread. The analysis of a page reads one
// snapshot from start to end, so an edit on the Config area applies from the
// next page on and never halfway through one.
class SettingsSnapshot
{
public:
    // Every field at its initial value.
    SettingsSnapshot();
    SettingsSnapshot(const SettingsSnapshot&);
    SettingsSnapshot& operator=(const SettingsSnapshot&);
    ~SettingsSnapshot();

    QString text(Key key) const;

    FlagState flag(Key key) const;
    // Only "on" counts: the greyed state is off.
    bool isOn(Key key) const { return flag(key) == FlagState::On; }

    // The value a radio group has chosen; nothing when no member is selected
    // (only a hand-edited links.ini leaves a group so).
    template <class Value> std::optional<Value> choice(ChoiceGroup<Value> group) const
    {
        const int member = memberOf(group.index);
        return member < 0 ? std::nullopt : std::optional<Value>(Value(member));
    }
    // Whether this member of its group (TitleCaps2, say) is the selected one.
    bool isSelected(Key member) const;

    // Any field as one text: a text as it stands, a choice member "1" or "0", a
    // flag "0", "1" or "2". For comparing whole records.
    QString rawValue(Key key) const;

    bool operator==(const SettingsSnapshot& other) const;

private:
    friend class Settings;
    friend class SettingsSnapshotData;

    // A group's value when no member is selected.
    static constexpr int NoMember = -1;

    int memberOf(int group) const;

    QSharedDataPointer<SettingsSnapshotData> d;
};
