#pragma once

#include "settings/SettingsFields.h"

#include <QString>
#include <QtGlobal>

// A field by its spelling in links.ini, for tests that build key names from a
// stem and a number ("Title" + "Caps" + "2").
inline Key keyNamed(const QString& name)
{
    for (const SettingsField& f : settingsFields())
        if (name == QLatin1String(f.key))
            return f.id;
    qFatal("no settings key %s", qPrintable(name));
}
