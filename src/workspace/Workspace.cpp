#include "workspace/Workspace.h"

#include "settings/RunPreferences.h"
#include "store/RunStore.h"

#include <QDateTime>

Workspace::Workspace(const ProgramFolder& folder, QObject* parent)
    : QObject(parent), m_folder(folder),
      m_preferences(RunPreferences::load(RunPreferences::filePath(folder)), RunPreferences::filePath(folder))
{
    RunStore::Options options;
    options.keepRuns = m_preferences.values().keepRuns();
    m_runStore = std::make_unique<RunStore>(m_folder.filePath(QString::fromLatin1(RunStore::FileName)), options);
    m_linkList.setToolTips([this](const QString& url) {
        const auto checks = m_runStore->queries().lastChecks({url});
        const auto found = checks.constFind(url);
        return found == checks.cend() ? QString() : lastCheckText(found->record);
    });
}

Workspace::~Workspace() = default;

QString Workspace::lastCheckText(const UrlRecord& record)
{
    const QString when = QDateTime::fromMSecsSinceEpoch(record.checkedAt).toString(QStringLiteral("yyyy-MM-dd HH:mm"));
    QString what;
    switch (record.kind) {
    case UrlRecord::Kind::Accepted:
        what = QStringLiteral("accepted (row %1)").arg(record.row.number);
        break;
    case UrlRecord::Kind::Refused:
        what = QStringLiteral("refused \u2014 ") + record.reason;
        break;
    case UrlRecord::Kind::Failed:
        what = QStringLiteral("failed \u2014 ") + QString(record.reason).remove(QStringLiteral("fetch failed: "));
        break;
    }
    return QStringLiteral("Last checked %1: %2").arg(when, what);
}
