#include "settings/Settings.h"

#include "settings/SettingsSnapshotData.h"

Settings::Settings(QObject* parent) : QObject(parent) {}

void Settings::setText(Key key, const QString& value)
{
    Q_ASSERT(fieldOf(key).kind == FieldKind::Text);
    if (m_values.text(key) == value)
        return;
    m_values.d->texts[std::size_t(key)] = value;
    Q_EMIT fieldChanged(key);
}

void Settings::setFlag(Key key, FlagState state)
{
    Q_ASSERT(fieldOf(key).kind == FieldKind::Flag);
    if (m_values.flag(key) == state)
        return;
    m_values.d->flags[std::size_t(key)] = state;
    Q_EMIT fieldChanged(key);
}

void Settings::setSelected(Key member, bool selected)
{
    const SettingsField& f = fieldOf(member);
    Q_ASSERT(f.kind == FieldKind::Choice);
    if (selected)
        setMember(f.group, f.member);
    else if (m_values.isSelected(member))
        setMember(f.group, SettingsSnapshot::NoMember);
}

void Settings::setMember(int group, int member)
{
    const int before = m_values.memberOf(group);
    if (before == member)
        return;
    m_values.d->members[std::size_t(group)] = member;
    // The member that lost the selection first, so that listeners never see
    // two selected members of one group.
    for (const bool gained : {false, true})
        for (const SettingsField& f : settingsFields())
            if (f.group == group && f.member == (gained ? member : before))
                Q_EMIT fieldChanged(f.id);
}

void Settings::resetToInitial()
{
    setAll(SettingsSnapshot());
}

void Settings::setAll(const SettingsSnapshot& values)
{
    for (const SettingsField& f : settingsFields()) {
        switch (f.kind) {
        case FieldKind::Text:
            setText(f.id, values.text(f.id));
            break;
        case FieldKind::Flag:
            setFlag(f.id, values.flag(f.id));
            break;
        case FieldKind::Choice:
            if (values.isSelected(f.id))
                setSelected(f.id, true);
            else if (values.memberOf(f.group) == SettingsSnapshot::NoMember)
                setSelected(f.id, false);
            break;
        }
    }
}
