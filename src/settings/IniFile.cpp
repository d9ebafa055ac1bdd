#include "settings/IniFile.h"

#include "settings/IniDocument.h"

#include <QFileInfo>

QString CutIniValue(const QString& value)
{
    if (value.size() <= IniMaxValueLength)
        return value;
    qsizetype n = IniMaxValueLength;
    if (value.at(n - 1).isHighSurrogate())
        --n;
    return value.left(n);
}

QString GetIniValue(const QString& section, const QString& key, const QString& file)
{
    IniDocument doc;
    if (!doc.load(file))
        return QString();
    return CutIniValue(doc.value(section, key).value_or(QString()));
}

bool PutIniValue(const QString& section, const QString& key, const QString& value, const QString& file)
{
    IniDocument doc;
    if (!doc.load(file) && QFileInfo::exists(file))
        return false;
    doc.setValue(section, key, value);
    return doc.save(file).ok;
}
