#include "analysis/AcceptanceChecks.h"

#include "pattern/Pattern.h"
#include "platform/TextFile.h"
#include "settings/SettingsSnapshot.h"

bool ContentTypeIsHtml(const QString& header)
{
    return PatternTest(QStringLiteral("Content-Type: text/html"), header);
}

bool CheckContentType(const SettingsSnapshot& settings, const QString& header)
{
    if (!settings.isOn(Key::ContentTypeCheck))
        return true;
    return ContentTypeIsHtml(header);
}

bool CheckStatus(const QStringList& validStatus, const QString& header)
{
    return validStatus.isEmpty() || StatusMatches(validStatus, header, false).contains(true);
}

QVector<bool> StatusMatches(const QStringList& validStatus, const QString& header, bool everyEntry)
{
    QVector<bool> matches;
    matches.reserve(validStatus.size());
    // An entry that cannot be decided does not make the status valid
    // (PatternTest reads it as "not found"); an invalid one still does.
    for (const QString& entry : validStatus) {
        matches.append(PatternTest(entry, header));
        if (matches.constLast() && !everyEntry)
            break;
    }
    return matches;
}

bool CheckRecip(const SettingsSnapshot& settings, const QString& pageText)
{
    if (!settings.isOn(Key::UseRecip))
        return true;
    // Undecided reads as "no link back": the page is never let in on a guess.
    return PatternTest(settings.text(Key::Reciptext), pageText);
}

QString HeaderStatusLine(const QString& header)
{
    const QStringList lines = TextFile::splitLines(header);
    return lines.isEmpty() ? QString() : lines.constFirst();
}

QString HeaderContentType(const QString& header)
{
    const QLatin1String name("Content-Type:");
    for (const QString& line : TextFile::splitLines(header)) {
        if (line.startsWith(name, Qt::CaseInsensitive))
            return line.sliced(name.size()).trimmed();
    }
    return QString();
}
