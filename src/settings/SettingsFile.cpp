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

// A whole number 0, 1 or 2, as the check box stores its three states.
std::optional<FlagState> readFlag(const QString& text)
{
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok || v < int(FlagState::Off) || v > int(FlagState::Greyed))
        return std::nullopt;
    return FlagState(v);
}

// How a field stands in the file: a radio group as one Boolean per member.
QString encode(const SettingsSnapshot& values, const SettingsField& f)
{
    switch (f.kind) {
    case FieldKind::Text:
        return values.text(f.id);
    case FieldKind::Choice:
        return values.isSelected(f.id) ? QStringLiteral("True") : QStringLiteral("False");
    case FieldKind::Flag:
        return QString::number(int(values.flag(f.id)));
    }
    return QString();
}

} // namespace

SaveOutcome SaveSettings(const Settings& settings, const QString& iniPath)
{
    IniDocument doc;
    if (!doc.load(iniPath) && QFileInfo(iniPath).isFile())
        return SaveOutcome::failure(iniPath, QStringLiteral("the existing file cannot be read"));
    const SettingsSnapshot values = settings.snapshot();
    for (const SettingsField& f : settingsFields())
        doc.setValue(QString::fromLatin1(f.section), QString::fromLatin1(f.key), encode(values, f));
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
    // The members of a group are applied one by one in key order: the last one
    // stored as true wins, and one stored as false clears only itself.
    for (const SettingsField& f : settingsFields()) {
        const QString stored = CutIniValue(
            doc.value(QString::fromLatin1(f.section), QString::fromLatin1(f.key)).value_or(QString()));
        switch (f.kind) {
        case FieldKind::Text:
            settings.setText(f.id, stored);
            break;
        case FieldKind::Choice:
            if (const auto b = readBoolean(stored))
                settings.setSelected(f.id, *b);
            break;
        case FieldKind::Flag:
            if (const auto state = readFlag(stored))
                settings.setFlag(f.id, *state);
            break;
        }
    }
}
