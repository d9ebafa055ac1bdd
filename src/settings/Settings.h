#pragma once

#include "settings/SettingsSnapshot.h"

#include <QObject>
#include <type_traits>

// The one configuration record of the application, as the Config area edits
// it: its controls write here at once, and fieldChanged() shows every change
// in them. Whoever works with the values takes a snapshot() at the moment of
// use, so a change made while a run is going applies to the next page.
class Settings : public QObject
{
    Q_OBJECT

public:
    explicit Settings(QObject* parent = nullptr);

    // The values as they are now; later edits do not reach this copy.
    SettingsSnapshot snapshot() const { return m_values; }

    QString text(Key key) const { return m_values.text(key); }
    void setText(Key key, const QString& value);

    FlagState flag(Key key) const { return m_values.flag(key); }
    bool isOn(Key key) const { return m_values.isOn(key); }
    void setFlag(Key key, FlagState state);

    template <class Value> std::optional<Value> choice(ChoiceGroup<Value> group) const
    {
        return m_values.choice(group);
    }
    // Selects the value in its group; nothing leaves the group with no member selected.
    template <class Value> void select(ChoiceGroup<Value> group, std::type_identity_t<std::optional<Value>> value)
    {
        setMember(group.index, value ? int(*value) : SettingsSnapshot::NoMember);
    }

    // A radio group seen as its Boolean members, as links.ini and the option
    // buttons see it. true selects the member (and so clears the rest of its
    // group); false clears that member only.
    bool isSelected(Key member) const { return m_values.isSelected(member); }
    void setSelected(Key member, bool selected);

    // Puts every field back to its initial value.
    void resetToInitial();

Q_SIGNALS:
    // Emitted once for every field whose value actually changed; for a radio
    // group, for each member whose selection changed.
    void fieldChanged(Key key);

private:
    void setMember(int group, int member);
    void setAll(const SettingsSnapshot& values);

    SettingsSnapshot m_values;
};
