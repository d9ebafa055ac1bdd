#include "settings/RunPreferences.h"

#include "settings/IniDocument.h"
#include "settings/ProgramFolder.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <optional>

namespace {

const QString kSection = QStringLiteral("Run");
const QString kConnections = QStringLiteral("Connections");
const QString kConnectionsPerHost = QStringLiteral("ConnectionsPerHost");
const QString kKeepRuns = QStringLiteral("KeepRuns");
const QString kTimeout = QStringLiteral("Timeout");

// A whole number, brought into [low, high]. A number too long for an int
// is still plainly too large (or too small), so it goes to that end too.
std::optional<int> readCount(const std::optional<QString>& stored, int low, int high)
{
    static const QRegularExpression whole(QStringLiteral(R"(^[+-]?\d+$)"));
    if (!stored || !whole.match(*stored).hasMatch())
        return std::nullopt;
    bool ok = false;
    const qlonglong n = stored->toLongLong(&ok);
    if (!ok)
        return stored->startsWith(u'-') ? low : high;
    return int(std::clamp<qlonglong>(n, low, high));
}

} // namespace

QString RunPreferences::filePath(const ProgramFolder& folder)
{
    return folder.filePath(QString::fromLatin1(FileName));
}

RunPreferences RunPreferences::load(const QString& path)
{
    IniDocument doc;
    doc.load(path); // a file that cannot be read gives the defaults
    RunPreferences prefs;
    prefs.m_limits.connections = readCount(doc.value(kSection, kConnections), 1, FetchLimits::MostConnections)
                                     .value_or(FetchLimits::DefaultConnections);
    prefs.m_limits.connectionsPerHost =
        readCount(doc.value(kSection, kConnectionsPerHost), 1, FetchLimits::MostConnectionsPerHost)
            .value_or(FetchLimits::DefaultConnectionsPerHost);
    prefs.m_keepRuns = readCount(doc.value(kSection, kKeepRuns), 1, MostKeepRuns).value_or(DefaultKeepRuns);
    prefs.m_timeoutSeconds = readCount(doc.value(kSection, kTimeout), FetchOptions::kLeastTimeoutSeconds,
                                       FetchOptions::kMostTimeoutSeconds)
                                 .value_or(FetchOptions::kDefaultTimeoutSeconds);
    prefs.m_linkBack = LinkBackPreferences::read(doc);
    return prefs;
}

SaveOutcome RunPreferences::save(const QString& path) const
{
    IniDocument doc;
    if (!doc.load(path) && QFileInfo(path).isFile())
        return SaveOutcome::failure(path, QStringLiteral("the existing file cannot be read"));
    doc.setValue(kSection, kConnections, QString::number(m_limits.connections));
    doc.setValue(kSection, kConnectionsPerHost, QString::number(m_limits.connectionsPerHost));
    // Written only when it is not the default or the file already has it, so
    // that a change of connections does not bring in a key nobody set.
    if (m_keepRuns != DefaultKeepRuns || doc.value(kSection, kKeepRuns))
        doc.setValue(kSection, kKeepRuns, QString::number(m_keepRuns));
    doc.setValue(kSection, kTimeout, QString::number(m_timeoutSeconds));
    m_linkBack.write(doc);
    return doc.save(path);
}

FetchOptions RunPreferences::fetchOptions(FetchOptions base) const
{
    base.setTimeoutSeconds(m_timeoutSeconds);
    return base;
}

void RunPreferences::setConnections(int connections)
{
    m_limits.connections = FetchLimits::boundConnections(connections);
}

void RunPreferences::setConnectionsPerHost(int connectionsPerHost)
{
    m_limits.connectionsPerHost = FetchLimits::boundConnectionsPerHost(connectionsPerHost);
}

void RunPreferences::setKeepRuns(int keepRuns)
{
    m_keepRuns = std::clamp(keepRuns, 1, MostKeepRuns);
}

void RunPreferences::setTimeoutSeconds(int seconds)
{
    m_timeoutSeconds =
        std::clamp(seconds, FetchOptions::kLeastTimeoutSeconds, FetchOptions::kMostTimeoutSeconds);
}
