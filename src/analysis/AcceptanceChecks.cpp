#include "analysis/AcceptanceChecks.h"

#include "analysis/Pattern.h"
#include "settings/Settings.h"

bool CheckContentType(const Settings& settings, const QString& header)
{
    if (!settings.isOn(QStringLiteral("ContentTypeCheck")))
        return true;
    return PatternTest(QStringLiteral("Content-Type: text/html"), header);
}

bool CheckStatus(const QStringList& validStatus, const QString& header)
{
    if (validStatus.isEmpty())
        return true;
    for (const QString& entry : validStatus) {
        if (PatternTest(entry, header))
            return true;
    }
    return false;
}

bool CheckRecip(const Settings& settings, const QString& pageText)
{
    if (!settings.isOn(QStringLiteral("UseRecip")))
        return true;
    return PatternTest(settings.text(QStringLiteral("Reciptext")), pageText);
}
