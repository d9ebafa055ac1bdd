#include "settings/LinkBackPreferences.h"

#include "settings/IniDocument.h"

#include <QRegularExpression>

namespace {

const QString kSites = QStringLiteral("Sites");
const QString kAcceptOnlyFollowed = QStringLiteral("AcceptOnlyFollowed");
const QString kRobotsAgent = QStringLiteral("RobotsAgent");

} // namespace

LinkBackPreferences LinkBackPreferences::read(const IniDocument& doc)
{
    const QString section = QString::fromLatin1(Section);
    LinkBackPreferences prefs;
    prefs.m_sites = splitSites(doc.value(section, kSites).value_or(QString()));
    const QString accept = doc.value(section, kAcceptOnlyFollowed).value_or(QString()).trimmed();
    prefs.m_acceptOnlyFollowed =
        accept == QLatin1String("1") || accept.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
    prefs.setRobotsAgent(doc.value(section, kRobotsAgent).value_or(QString()));
    return prefs;
}

void LinkBackPreferences::write(IniDocument& doc) const
{
    const QString section = QString::fromLatin1(Section);
    const LinkBackPreferences none;
    // A save of the connections brings in no key nobody set.
    const auto put = [&](const QString& key, const QString& value, bool isDefault) {
        if (!isDefault || doc.value(section, key))
            doc.setValue(section, key, value);
    };
    put(kSites, joinSites(m_sites), m_sites == none.m_sites);
    put(kAcceptOnlyFollowed, m_acceptOnlyFollowed ? QStringLiteral("1") : QStringLiteral("0"),
        m_acceptOnlyFollowed == none.m_acceptOnlyFollowed);
    put(kRobotsAgent, m_robotsAgent, m_robotsAgent == none.m_robotsAgent);
}

void LinkBackPreferences::setRobotsAgent(const QString& agent)
{
    const QString name = agent.trimmed();
    m_robotsAgent = isRobotsAgent(name) ? name : QString::fromLatin1(DefaultRobotsAgent);
}

bool LinkBackPreferences::isRobotsAgent(const QString& agent)
{
    static const QRegularExpression token(QStringLiteral(R"(^(?:[A-Za-z_-]+|\*)$)"));
    return token.match(agent).hasMatch();
}

QStringList LinkBackPreferences::splitSites(const QString& line)
{
    QStringList sites;
    for (const QString& piece : line.split(u',')) {
        const QString entry = piece.trimmed();
        if (!entry.isEmpty())
            sites.append(entry);
    }
    return sites;
}

QString LinkBackPreferences::joinSites(const QStringList& sites)
{
    return sites.join(QStringLiteral(", "));
}
