#include "settings/SettingsFile.h"

#include "platform/LogCategories.h"
#include "settings/IniDocument.h"
#include "settings/IniFile.h"
#include "settings/Settings.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <optional>

namespace {

// "True"/"False" in any letter case, or a number: zero is false, any other true
// (older files stored a selected member as -1).
std::optional<bool> readBoolean(const QString& text)
{
    if (text.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (text.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        return false;
    static const QRegularExpression number(QStringLiteral(R"(^[+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?$)"));
    if (!number.match(text).hasMatch())
        return std::nullopt;
    // Zero exactly when no digit of the mantissa is: no rounding, no overflow.
    const qsizetype exponent = text.indexOf(u'e', 0, Qt::CaseInsensitive);
    const QStringView mantissa = QStringView(text).first(exponent < 0 ? text.size() : exponent);
    for (const QChar c : mantissa)
        if (c >= u'1' && c <= u'9')
            return true;
    return false;
}

std::optional<Settings::FlagState> readFlag(const QString& text)
{
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok || v < 0 || v > 2)
        return std::nullopt;
    return static_cast<Settings::FlagState>(v);
}

} // namespace

SaveOutcome SaveSettings(const Settings& settings, const QString& iniPath)
{
    IniDocument doc;
    if (!doc.load(iniPath) && QFileInfo(iniPath).isFile())
        return SaveOutcome::failure(iniPath, QStringLiteral("the existing file cannot be read"));
    const auto fields = Settings::fields();
    for (int i = 0; i < Settings::FieldCount; ++i) {
        const Settings::Field& f = fields[i];
        QString value = settings.rawValue(i);
        if (f.kind == Settings::Kind::Choice)
            value = value == QLatin1String("1") ? QStringLiteral("True") : QStringLiteral("False");
        doc.setValue(QString::fromLatin1(f.section), QString::fromLatin1(f.key), value);
    }
    const SaveOutcome saved = doc.save(iniPath);
    qCDebug(lcSettings, "settings saved to %s: %s", qUtf8Printable(iniPath),
            saved.ok ? "ok" : qUtf8Printable(saved.error));
    return saved;
}

void LoadSettings(Settings& settings, const QString& iniPath)
{
    IniDocument doc;
    // A missing file reads as empty values throughout.
    const bool loaded = doc.load(iniPath);
    qCDebug(lcSettings, "settings loaded from %s%s", qUtf8Printable(iniPath),
            loaded ? "" : ": it cannot be read, every text is empty");
    for (const Settings::Field& f : Settings::fields()) {
        const QString key = QString::fromLatin1(f.key);
        const QString stored =
            CutIniValue(doc.value(QString::fromLatin1(f.section), key).value_or(QString()));
        switch (f.kind) {
        case Settings::Kind::Text:
            settings.setText(key, stored);
            break;
        case Settings::Kind::Choice:
            if (const auto b = readBoolean(stored))
                settings.setChoice(key, *b);
            break;
        case Settings::Kind::Flag:
            if (const auto state = readFlag(stored))
                settings.setFlag(key, *state);
            break;
        }
    }
}
