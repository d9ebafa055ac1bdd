#include "workspace/Workspace.h"

#include "settings/RunPreferences.h"
#include "store/RunStore.h"

Workspace::Workspace(const ProgramFolder& folder, QObject* parent)
    : QObject(parent), m_folder(folder),
      m_linkBack(LinkBackPreferences::load(RunPreferences::filePath(folder)))
{}

Workspace::~Workspace() = default;

RunStore* Workspace::runStore() const
{
    if (!m_runStore)
        m_runStore = std::make_unique<RunStore>(m_folder.filePath(QString::fromLatin1(RunStore::FileName)));
    return m_runStore.get();
}
