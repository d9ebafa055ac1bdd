#include "settings/SettingsSnapshot.h"

#include "settings/SettingsSnapshotData.h"

SettingsSnapshotData::SettingsSnapshotData()
{
    members.fill(SettingsSnapshot::NoMember);
    for (const SettingsField& f : settingsFields()) {
        switch (f.kind) {
        case FieldKind::Text:
            texts[std::size_t(f.id)] = QString::fromUtf8(f.initialText);
            break;
        case FieldKind::Choice:
            if (f.initiallySelected)
                members[std::size_t(f.group)] = f.member;
            break;
        case FieldKind::Flag:
            flags[std::size_t(f.id)] = f.initialFlag;
            break;
        }
    }
}

SettingsSnapshot::SettingsSnapshot() : d(new SettingsSnapshotData) {}
SettingsSnapshot::SettingsSnapshot(const SettingsSnapshot&) = default;
SettingsSnapshot& SettingsSnapshot::operator=(const SettingsSnapshot&) = default;
SettingsSnapshot::~SettingsSnapshot() = default;

QString SettingsSnapshot::text(Key key) const
{
    Q_ASSERT(fieldOf(key).kind == FieldKind::Text);
    return d->texts[std::size_t(key)];
}

FlagState SettingsSnapshot::flag(Key key) const
{
    Q_ASSERT(fieldOf(key).kind == FieldKind::Flag);
    return d->flags[std::size_t(key)];
}

bool SettingsSnapshot::isSelected(Key member) const
{
    const SettingsField& f = fieldOf(member);
    Q_ASSERT(f.kind == FieldKind::Choice);
    return f.kind == FieldKind::Choice && memberOf(f.group) == f.member;
}

int SettingsSnapshot::memberOf(int group) const
{
    return d->members[std::size_t(group)];
}

QString SettingsSnapshot::rawValue(Key key) const
{
    switch (fieldOf(key).kind) {
    case FieldKind::Text:
        return text(key);
    case FieldKind::Choice:
        return isSelected(key) ? QStringLiteral("1") : QStringLiteral("0");
    case FieldKind::Flag:
        return QString::number(int(flag(key)));
    }
    return QString();
}

bool SettingsSnapshot::operator==(const SettingsSnapshot& other) const
{
    return d == other.d ||
           (d->texts == other.d->texts && d->flags == other.d->flags && d->members == other.d->members);
}
