#include "shell/ui/LinkBackConfig.h"

#include "platform/ui/AppMessageBox.h"
#include "run/LinkBackSetup.h"
#include "settings/RunPreferences.h"
#include "workspace/Workspace.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>

LinkBackConfig::LinkBackConfig(Workspace& workspace, QLineEdit* sites, QCheckBox* acceptOnlyFollowed,
                               QLabel* message, QObject* parent)
    : QObject(parent), m_workspace(workspace), m_sites(sites), m_acceptOnlyFollowed(acceptOnlyFollowed),
      m_message(message)
{
    const LinkBackPreferences& prefs = m_workspace.linkBack();
    m_sites->setText(LinkBackPreferences::joinSites(prefs.sites()));
    m_sites->setToolTip(QStringLiteral("Your own sites, separated by commas: host names (example.com also "
                                       "stands for www.example.com) or address prefixes. Each page of a run "
                                       "is read for its links to them."));
    m_acceptOnlyFollowed->setChecked(prefs.acceptOnlyFollowed());
    m_acceptOnlyFollowed->setToolTip(QStringLiteral("A page becomes a row only when it gives one of your "
                                                    "sites a visible, followed link on an indexable page."));
    showMessages();
    connect(m_sites, &QLineEdit::editingFinished, this, &LinkBackConfig::apply);
    connect(m_acceptOnlyFollowed, &QCheckBox::toggled, this, &LinkBackConfig::apply);
}

void LinkBackConfig::apply()
{
    RunPreferences preferences = m_workspace.preferences().values();
    LinkBackPreferences prefs = preferences.linkBack();
    const QStringList sites = LinkBackPreferences::splitSites(m_sites->text());
    if (sites == prefs.sites() && m_acceptOnlyFollowed->isChecked() == prefs.acceptOnlyFollowed()) {
        showMessages();
        return;
    }
    prefs.setSites(sites);
    prefs.setAcceptOnlyFollowed(m_acceptOnlyFollowed->isChecked());
    preferences.setLinkBack(prefs);
    const SaveOutcome saved = m_workspace.preferences().change(preferences);
    showMessages();
    if (!saved.ok)
        AppMessageBox::open(m_sites->window(), QMessageBox::Warning, saved.message(),
                            QStringLiteral("PreferencesFailure"));
}

void LinkBackConfig::showMessages()
{
    QStringList messages;
    LinkBackSetup::from(m_workspace.linkBack(), &messages);
    const QString text = messages.join(u'\n');
    m_message->setText(text);
    m_message->setVisible(!text.isEmpty());
    m_sites->setStyleSheet(text.isEmpty() ? QString()
                                          : QStringLiteral("QLineEdit { border: 1px solid #c00000; }"));
    if (!text.isEmpty())
        m_sites->setToolTip(text);
}
