#pragma once

#include "settings/SettingsSnapshot.h"

#include <QSharedData>
#include <QString>
#include <array>

// The values behind a SettingsSnapshot, shared by its copies. Texts and flags
// are indexed by their Key, so the rows of other kinds stay unused.
class SettingsSnapshotData : public QSharedData
{
public:
    SettingsSnapshotData(); // every field at its initial value

    std::array<QString, FieldCount> texts;
    std::array<FlagState, FieldCount> flags{};
    // Per group the selected member's value, or SettingsSnapshot::NoMember.
    std::array<int, Groups::Count> members{};
};
