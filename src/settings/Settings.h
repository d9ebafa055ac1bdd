#pragma once

#include <QObject>
#include <QString>
#include <QVector>

#include <span>

// The one configuration record of the application. Every field is named by its
// key in links.ini; consumers read a field at the moment they use it, so an edit
// made while a run is going applies to the next page that reads it.
class Settings : public QObject
{
    Q_OBJECT

public:
    enum class Kind { Text, Choice, Flag };

    // A flag's greyed state only comes from a hand-edited links.ini and counts as off.
    enum FlagState { FlagOff = 0, FlagOn = 1, FlagGreyed = 2 };

    struct Field
    {
        const char* key;
        const char* section;
        Kind kind;
        int group;           // choice group index 0..7, -1 for texts and flags
        const char* initial; // text value, or "1"/"0" for choices, "0"/"1"/"2" for flags
    };

    static constexpr int FieldCount = 57;
    static constexpr int GroupCount = 8;

    // The fields in the order in which links.ini is written and read.
    static std::span<const Field> fields();
    // Index of a key in fields(), or -1. Keys are matched exactly.
    static int indexOf(const QString& key);

    explicit Settings(QObject* parent = nullptr);

    // Text fields.
    QString text(const QString& key) const;
    void setText(const QString& key, const QString& value);

    // Choice members: true when this member is the selected one of its group.
    bool choice(const QString& key) const;
    // true selects the member and clears the rest of its group; false clears only this member.
    void setChoice(const QString& key, bool selected);

    // Flags: isOn() is true only for FlagOn.
    FlagState flag(const QString& key) const;
    bool isOn(const QString& key) const { return flag(key) == FlagOn; }
    void setFlag(const QString& key, FlagState state);

    // Value of any field by index, in the encoding of fields()[i].initial.
    QString rawValue(int index) const;

    // Puts every field back to its initial value.
    void resetToInitial();

Q_SIGNALS:
    // Emitted once for every field whose value actually changed.
    void fieldChanged(const QString& key);

private:
    void setValue(int index, const QString& value);

    QVector<QString> m_values;
};
