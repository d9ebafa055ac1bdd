#pragma once

#include "settings/SettingsFields.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>

class QButtonGroup;
class QWidget;
class Settings;

// Ties every control of the "3. Config" area to its field of the one Settings
// record, both ways: a click or keystroke writes the field at once, and any
// change of the record (a load, a restore button) shows in the control. The
// controls are found by their design object names below a root widget.
class ConfigAreaBinding : public QObject
{
    Q_OBJECT

public:
    explicit ConfigAreaBinding(Settings& settings, QObject* parent = nullptr);

    // Design object name of the control that shows a field ("Text10" for TitleRegEx1).
    static QString controlName(Key key);

    // Binds every field whose control lives below root and shows the record's
    // current values. Returns the keys whose control was not found.
    QStringList bind(QWidget* root);

    QWidget* control(Key key) const { return m_controls.value(key); }

private:
    void bindText(Key key, QWidget* control);
    void bindChoice(Key key, QWidget* control, int group);
    void bindFlag(Key key, QWidget* control);
    void show(Key key);

    Settings& m_settings;
    QHash<Key, QWidget*> m_controls;
    QHash<int, QButtonGroup*> m_groups;
};
