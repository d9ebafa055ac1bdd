#include "shell/ui/ConfigArea.h"

#include "Version.h"
#include "filters/ui/ListEditor.h"
#include "filters/ui/StatusCodesFrame.h"
#include "platform/SaveOutcome.h"
#include "platform/ui/AppMessageBox.h"
#include "platform/ui/WaitCursor.h"
#include "run/ui/TestFrame.h"
#include "settings/SettingsFields.h"
#include "settings/SettingsFile.h"
#include "settings/ui/ConfigAreaBinding.h"
#include "settings/ui/ConfigAreaRestoreMark.h"
#include "shell/ui/LinkBackConfig.h"
#include "ui_ConfigAreaDescriptionPage.h"
#include "ui_ConfigAreaEmailPage.h"
#include "ui_ConfigAreaMiscPage.h"
#include "ui_ConfigAreaTitlePage.h"
#include "workspace/Workspace.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

struct RestoreMark
{
    const char* button;
    Key key; // its restore text is the field's, in the settings table
};

// Command24 comes first: "Default" looks at it to decide for all of them.
constexpr RestoreMark kRestoreMarks[] = {
    {"Command24", Key::TitleRegEx1},       {"Command25", Key::TitleRegEx2},
    {"Command26", Key::TitleRegEx3},       {"Command27", Key::EmailRegEx1},
    {"Command28", Key::EmailRegEx2},       {"Command29", Key::EmailRegEx3},
    {"Command30", Key::DescriptionRegEx1}, {"Command31", Key::DescriptionRegEx2},
    {"Command32", Key::DescriptionRegEx3}, {"Command40", Key::Reciptext},
    {"Command19", Key::OutputASCIIFile},   {"Command17", Key::OutputASCIIDelimeter},
    {"Command20", Key::BadWordsFile},      {"Command11", Key::BadDomainsFile},
};

} // namespace

const QString ConfigArea::EmailOption1Help =
    QStringLiteral("Extracts the first email address it finds in the source. If no matches found, then no "
                   "email will be used.");
const QString ConfigArea::EmailOption2Help = QStringLiteral(
    "If checked, then this email pattern will be used for all URLs, even if there's an email found.");

ConfigArea::ConfigArea(Workspace& workspace, std::function<void(const QString&)> navigate, QWidget* parent)
    : QWidget(parent), m_workspace(workspace), m_titleUi(std::make_unique<Ui::ConfigAreaTitlePage>()),
      m_emailUi(std::make_unique<Ui::ConfigAreaEmailPage>()),
      m_descriptionUi(std::make_unique<Ui::ConfigAreaDescriptionPage>()),
      m_miscUi(std::make_unique<Ui::ConfigAreaMiscPage>())
{
    Settings& settings = m_workspace.settings();

    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("SSTab3"));

    auto* titlePage = new QWidget;
    m_titleUi->setupUi(titlePage);
    m_tabs->addTab(titlePage, QStringLiteral("Title"));

    auto* emailPage = new QWidget;
    m_emailUi->setupUi(emailPage);
    m_tabs->addTab(emailPage, QStringLiteral("Email"));

    auto* descriptionPage = new QWidget;
    m_descriptionUi->setupUi(descriptionPage);
    m_tabs->addTab(descriptionPage, QStringLiteral("Description"));

    m_badWords =
        new ListEditor(m_workspace.badWords(), settings, m_workspace.folder(), ListEditor::badWords());
    m_tabs->addTab(m_badWords, QStringLiteral("Bad Words"));

    m_badUrls = new ListEditor(m_workspace.badUrls(), settings, m_workspace.folder(), ListEditor::badUrls());
    m_tabs->addTab(m_badUrls, QStringLiteral("Bad URLs"));

    auto* miscPage = new QWidget;
    m_miscUi->setupUi(miscPage);
    m_statusCodes =
        new StatusCodesFrame(m_workspace.validStatus(), m_workspace.folder(), std::move(navigate));
    m_miscUi->layoutStatusCodesHost->addWidget(m_statusCodes);
    new LinkBackConfig(m_workspace, m_miscUi->MySitesBox, m_miscUi->AcceptOnlyFollowedBox,
                       m_miscUi->MySitesMessage, this);
    m_tabs->addTab(miscPage, QStringLiteral("Misc."));

    m_testFrame = new TestFrame(m_workspace, this);

    auto* left = new QVBoxLayout;
    left->addWidget(buildButtonRow());
    left->addWidget(m_tabs, 1);
    auto* root = new QHBoxLayout(this);
    root->addLayout(left, 2);
    root->addWidget(m_testFrame, 1);

    m_binding = new ConfigAreaBinding(settings, this);
    const QStringList unbound = m_binding->bind(this);
    Q_ASSERT_X(unbound.isEmpty(), "ConfigArea", qPrintable(unbound.join(u' ')));

    buildRestoreMarks();

    connect(m_emailUi->Command18, &QPushButton::clicked, this, [this] { showHelp(EmailOption1Help); });
    connect(m_emailUi->Command16, &QPushButton::clicked, this, [this] { showHelp(EmailOption2Help); });
}

ConfigArea::~ConfigArea() = default;

QWidget* ConfigArea::buildButtonRow()
{
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);

    const auto makeButton = [&](const char* name, const QString& text, const char* picture) {
        auto* button = new QPushButton(text, row);
        button->setObjectName(QString::fromLatin1(name));
        const QString file =
            m_workspace.folder().filePath(QStringLiteral("images/") + QString::fromLatin1(picture));
        if (QFileInfo(file).isFile())
            button->setIcon(QIcon(file));
        layout->addWidget(button);
        return button;
    };
    QPushButton* save = makeButton("Command23", QStringLiteral("Save"), "config-save.png");
    QFont bold = save->font();
    bold.setBold(true);
    save->setFont(bold);
    QPushButton* load = makeButton("Command36", QStringLiteral("Load"), "config-load.png");
    QPushButton* defaults = makeButton("Command33", QStringLiteral("Default"), "config-default.png");
    layout->addStretch(1);

    connect(save, &QPushButton::clicked, this, &ConfigArea::saveSettings);
    connect(load, &QPushButton::clicked, this, &ConfigArea::loadSettings);
    connect(defaults, &QPushButton::clicked, this, &ConfigArea::toggleRestoreButtons);
    return row;
}

void ConfigArea::buildRestoreMarks()
{
    for (const RestoreMark& entry : kRestoreMarks) {
        const Key key = entry.key;
        const char* restoreText = fieldOf(key).restoreText;
        auto* field = qobject_cast<QLineEdit*>(m_binding->control(key));
        Q_ASSERT_X(field && restoreText, "ConfigArea", entry.button);
        if (!field || !restoreText)
            continue;
        auto* mark = new ConfigAreaRestoreMark(QString::fromUtf8(restoreText), field);
        mark->setObjectName(QString::fromLatin1(entry.button));
        connect(mark, &QAbstractButton::clicked, this,
                [this, key, mark] { m_workspace.settings().setText(key, mark->text()); });
        m_restoreMarks.append(mark);
    }
}

void ConfigArea::toggleRestoreButtons()
{
    // Hidden, not merely off screen: the page holding Command24 may not be the
    // one on show.
    const bool show = m_restoreMarks.first()->isHidden();
    for (ConfigAreaRestoreMark* mark : std::as_const(m_restoreMarks))
        mark->setVisible(show);
}

void ConfigArea::saveSettings()
{
    SaveOutcome outcome;
    {
        WaitCursor busy;
        outcome = SaveSettings(m_workspace.settings(), m_workspace.folder().settingsFile());
    }
    if (!outcome.ok)
        AppMessageBox::open(this, QMessageBox::Warning, outcome.message());
}

void ConfigArea::loadSettings()
{
    WaitCursor busy;
    LoadSettings(m_workspace.settings(), m_workspace.folder().settingsFile());
}

void ConfigArea::showHelp(const QString& text)
{
    AppMessageBox::open(this, QMessageBox::NoIcon, text);
}
