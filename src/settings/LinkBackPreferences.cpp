#include "settings/LinkBackPreferences.h"

#include "settings/IniDocument.h"

#include <QFileInfo>

namespace {

const QString kSites = QStringLiteral("Sites");
const QString kAcceptOnlyFollowed = QStringLiteral("AcceptOnlyFollowed");

} // namespace

LinkBackPreferences LinkBackPreferences::load(const QString& path)
{
    IniDocument doc;
    doc.load(path); // a file that cannot be read gives no sites and the check off
    const QString section = QString::fromLatin1(Section);
    LinkBackPreferences prefs;
    prefs.m_sites = splitSites(doc.value(section, kSites).value_or(QString()));
    const QString accept = doc.value(section, kAcceptOnlyFollowed).value_or(QString()).trimmed();
    prefs.m_acceptOnlyFollowed =
        accept == QLatin1String("1") || accept.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
    return prefs;
}

SaveOutcome LinkBackPreferences::save(const QString& path) const
{
    IniDocument doc;
    if (!doc.load(path) && QFileInfo(path).isFile())
        return SaveOutcome::failure(path, QStringLiteral("the existing file cannot be read"));
    const QString section = QString::fromLatin1(Section);
    doc.setValue(section, kSites, joinSites(m_sites));
    doc.setValue(section, kAcceptOnlyFollowed,
                 m_acceptOnlyFollowed ? QStringLiteral("1") : QStringLiteral("0"));
    return doc.save(path);
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
