#include "settings/ui/ConfigAreaBinding.h"

#include "settings/Settings.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <iterator>
#include <limits>

namespace {

struct ControlOfKey
{
    const char* key;
    const char* control;
};

// Every field and the control that shows it, in the order of the record.
constexpr ControlOfKey kControls[] = {
    {"TestURL", "Text2"},
    {"TitleRegEx1", "Text10"},
    {"TitleRegEx2", "Text9"},
    {"TitleRegEx3", "Text11"},
    {"TitleCaps1", "Option7"},
    {"TitleCaps2", "Option4"},
    {"TitleCaps3", "Option5"},
    {"TitleCaps4", "Option6"},
    {"TitleReplace1", "Check1"},
    {"TitleReplace2", "Text15"},
    {"TitleReplace3", "Text18"},
    {"TitleNoTitle1", "Option18"},
    {"TitleNoTitle2", "Option19"},
    {"TitleNoTitle3", "Option20"},
    {"TitleNoTitle4", "Text1"},
    {"TitleBadWords1", "Option21"},
    {"TitleBadWords2", "Option22"},
    {"TitleBadWords3", "Text25"},
    {"TitleBadWords4", "Option28"},
    {"EmailRegEx1", "Text6"},
    {"EmailRegEx2", "Text5"},
    {"EmailRegEx3", "Text14"},
    {"EmailOption1", "Option1"},
    {"EmailOption2", "Option2"},
    {"EmailOption3", "Option3"},
    {"EmailCaps1", "Option8"},
    {"EmailCaps2", "Option9"},
    {"EmailCaps3", "Option10"},
    {"EmailCaps4", "Option11"},
    {"EmailReplace1", "Check2"},
    {"EmailReplace2", "Text16"},
    {"EmailReplace3", "Text19"},
    {"DescriptionRegEx1", "Text12"},
    {"DescriptionRegEx2", "Text8"},
    {"DescriptionRegEx3", "Text13"},
    {"DescriptionCaps1", "Option12"},
    {"DescriptionCaps2", "Option13"},
    {"DescriptionCaps3", "Option14"},
    {"DescriptionCaps4", "Option15"},
    {"DescriptionReplace1", "Check3"},
    {"DescriptionReplace2", "Text17"},
    {"DescriptionReplace3", "Text20"},
    {"DescriptionNoTitle1", "Option23"},
    {"DescriptionNoTitle2", "Option24"},
    {"DescriptionNoTitle3", "Option25"},
    {"DescriptionNoTitle4", "Text26"},
    {"DescriptionBadWords1", "Option26"},
    {"DescriptionBadWords2", "Option27"},
    {"DescriptionBadWords3", "Text27"},
    {"DescriptionBadWords4", "Option29"},
    {"BadWordsFile", "Text24"},
    {"BadDomainsFile", "Text28"},
    {"OutputASCIIFile", "Text21"},
    {"OutputASCIIDelimeter", "Text22"},
    {"Reciptext", "Text30"},
    {"UseRecip", "Check4"},
    {"ContentTypeCheck", "Check5"},
};
static_assert(std::size(kControls) == Settings::FieldCount);

Qt::CheckState checkStateOf(Settings::FlagState state)
{
    switch (state) {
    case Settings::FlagOn:
        return Qt::Checked;
    case Settings::FlagGreyed:
        return Qt::PartiallyChecked;
    case Settings::FlagOff:
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

QString ConfigAreaBinding::controlName(const QString& key)
{
    for (const ControlOfKey& c : kControls)
        if (key == QLatin1String(c.key))
            return QString::fromLatin1(c.control);
    return QString();
}

QStringList ConfigAreaBinding::bind(QWidget* root)
{
    QStringList missing;
    for (const ControlOfKey& c : kControls) {
        const QString key = QString::fromLatin1(c.key);
        if (m_controls.contains(key))
            continue;
        auto* control = root->findChild<QWidget*>(QString::fromLatin1(c.control));
        const int index = Settings::indexOf(key);
        const Settings::Field& field = Settings::fields()[index];
        bool ok = false;
        switch (field.kind) {
        case Settings::Kind::Text:
            ok = qobject_cast<QLineEdit*>(control) != nullptr;
            if (ok)
                bindText(key, control);
            break;
        case Settings::Kind::Choice:
            ok = qobject_cast<QRadioButton*>(control) != nullptr;
            if (ok)
                bindChoice(key, control, field.group);
            break;
        case Settings::Kind::Flag:
            ok = qobject_cast<QCheckBox*>(control) != nullptr;
            if (ok)
                bindFlag(key, control);
            break;
        }
        if (!ok) {
            missing.append(key);
            continue;
        }
        m_controls.insert(key, control);
        show(key);
    }
    return missing;
}

void ConfigAreaBinding::bindText(const QString& key, QWidget* control)
{
    auto* edit = static_cast<QLineEdit*>(control);
    // Long patterns and hand-edited values must never be cut by the box.
    edit->setMaxLength(std::numeric_limits<int>::max());
    // textEdited fires for the user's typing only, so showing a loaded value
    // never writes it back.
    connect(edit, &QLineEdit::textEdited, this,
            [this, key](const QString& text) { m_settings.setText(key, text); });
}

void ConfigAreaBinding::bindChoice(const QString& key, QWidget* control, int group)
{
    auto* button = static_cast<QRadioButton*>(control);
    QButtonGroup*& buttons = m_groups[group];
    if (!buttons)
        buttons = new QButtonGroup(this);
    buttons->addButton(button);
    // Selecting a member clears the rest of the group in the record; the
    // record's fieldChanged then unchecks the other buttons.
    connect(button, &QAbstractButton::toggled, this, [this, key](bool on) {
        if (on && !m_settings.choice(key))
            m_settings.setChoice(key, true);
    });
}

void ConfigAreaBinding::bindFlag(const QString& key, QWidget* control)
{
    auto* box = static_cast<QCheckBox*>(control);
    // The greyed state comes only from a hand-edited file: a click leaves it
    // for "on", and from then on the box toggles between on and off.
    connect(box, &QAbstractButton::clicked, this, [this, key, box] {
        const Qt::CheckState state = box->checkState();
        box->setTristate(state == Qt::PartiallyChecked);
        m_settings.setFlag(key, state == Qt::Checked            ? Settings::FlagOn
                                : state == Qt::PartiallyChecked ? Settings::FlagGreyed
                                                                : Settings::FlagOff);
    });
}

void ConfigAreaBinding::show(const QString& key)
{
    QWidget* control = m_controls.value(key);
    if (!control)
        return;
    const Settings::Field& field = Settings::fields()[Settings::indexOf(key)];
    switch (field.kind) {
    case Settings::Kind::Text: {
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
    case Settings::Kind::Choice: {
        auto* button = static_cast<QRadioButton*>(control);
        const bool selected = m_settings.choice(key);
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
    case Settings::Kind::Flag: {
        auto* box = static_cast<QCheckBox*>(control);
        const Qt::CheckState state = checkStateOf(m_settings.flag(key));
        box->setTristate(state == Qt::PartiallyChecked);
        box->setCheckState(state);
        break;
    }
    }
}
