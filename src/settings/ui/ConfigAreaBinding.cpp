#include "settings/ui/ConfigAreaBinding.h"

#include "settings/Settings.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <limits>

namespace {

Qt::CheckState checkStateOf(FlagState state)
{
    switch (state) {
    case FlagState::On:
        return Qt::Checked;
    case FlagState::Greyed:
        return Qt::PartiallyChecked;
    case FlagState::Off:
        break;
    }
    return Qt::Unchecked;
}

} // namespace

ConfigAreaBinding::ConfigAreaBinding(Settings& settings, QObject* parent)
    : QObject(parent), m_settings(settings)
{
    connect(&m_settings, &Settings::fieldChanged, this, &ConfigAreaBinding::show);
}

QString ConfigAreaBinding::controlName(Key key)
{
    return QString::fromLatin1(fieldOf(key).control);
}

QStringList ConfigAreaBinding::bind(QWidget* root)
{
    QStringList missing;
    for (const SettingsField& field : settingsFields()) {
        const Key key = field.id;
        if (m_controls.contains(key))
            continue;
        auto* control = root->findChild<QWidget*>(QString::fromLatin1(field.control));
        bool ok = false;
        switch (field.kind) {
        case FieldKind::Text:
            ok = qobject_cast<QLineEdit*>(control) != nullptr;
            if (ok)
                bindText(key, control);
            break;
        case FieldKind::Choice:
            ok = qobject_cast<QRadioButton*>(control) != nullptr;
            if (ok)
                bindChoice(key, control, field.group);
            break;
        case FieldKind::Flag:
            ok = qobject_cast<QCheckBox*>(control) != nullptr;
            if (ok)
                bindFlag(key, control);
            break;
        }
        if (!ok) {
            missing.append(QString::fromLatin1(field.key));
            continue;
        }
        m_controls.insert(key, control);
        show(key);
    }
    return missing;
}

void ConfigAreaBinding::bindText(Key key, QWidget* control)
{
    auto* edit = static_cast<QLineEdit*>(control);
    // Long patterns and hand-edited values must never be cut by the box.
    edit->setMaxLength(std::numeric_limits<int>::max());
    // textEdited fires for the user's typing only, so showing a loaded value
    // never writes it back.
    connect(edit, &QLineEdit::textEdited, this,
            [this, key](const QString& text) { m_settings.setText(key, text); });
}

void ConfigAreaBinding::bindChoice(Key key, QWidget* control, int group)
{
    auto* button = static_cast<QRadioButton*>(control);
    QButtonGroup*& buttons = m_groups[group];
    if (!buttons)
        buttons = new QButtonGroup(this);
    buttons->addButton(button);
    // Selecting a member clears the rest of the group in the record; the
    // record's fieldChanged then unchecks the other buttons.
    connect(button, &QAbstractButton::toggled, this, [this, key](bool on) {
        if (on && !m_settings.isSelected(key))
            m_settings.setSelected(key, true);
    });
}

void ConfigAreaBinding::bindFlag(Key key, QWidget* control)
{
    auto* box = static_cast<QCheckBox*>(control);
    // The greyed state comes only from a hand-edited file: a click leaves it
    // for "on", and from then on the box toggles between on and off.
    connect(box, &QAbstractButton::clicked, this, [this, key, box] {
        const Qt::CheckState state = box->checkState();
        box->setTristate(state == Qt::PartiallyChecked);
        m_settings.setFlag(key, state == Qt::Checked            ? FlagState::On
                                : state == Qt::PartiallyChecked ? FlagState::Greyed
                                                                : FlagState::Off);
    });
}

void ConfigAreaBinding::show(Key key)
{
    QWidget* control = m_controls.value(key);
    if (!control)
        return;
    switch (fieldOf(key).kind) {
    case FieldKind::Text: {
        auto* edit = static_cast<QLineEdit*>(control);
        const QString value = m_settings.text(key);
        if (edit->text() != value) {
            edit->setText(value);
            // Patterns are read from their start; only a box being typed in
            // keeps its cursor where the user left it.
            if (!edit->hasFocus())
                edit->setCursorPosition(0);
        }
        break;
    }
    case FieldKind::Choice: {
        auto* button = static_cast<QRadioButton*>(control);
        const bool selected = m_settings.isSelected(key);
        if (button->isChecked() == selected)
            break;
        // An exclusive group refuses to uncheck its checked button, yet a load
        // may leave a group with no member selected.
        QButtonGroup* group = button->group();
        const bool exclusive = group && group->exclusive();
        if (exclusive && !selected)
            group->setExclusive(false);
        button->setChecked(selected);
        if (exclusive && !selected)
            group->setExclusive(true);
        break;
    }
    case FieldKind::Flag: {
        auto* box = static_cast<QCheckBox*>(control);
        const Qt::CheckState state = checkStateOf(m_settings.flag(key));
        box->setTristate(state == Qt::PartiallyChecked);
        box->setCheckState(state);
        break;
    }
    }
}
