// The INI reader and writer: whatever a links.ini holds, what is read from it
// is written back and read again unchanged, a write touches only its own key,
// and the settings record survives a save into the same file.
#include "FuzzInput.h"
#include "platform/TextFile.h"
#include "settings/IniDocument.h"
#include "settings/IniFile.h"
#include "settings/Settings.h"
#include "settings/SettingsFile.h"

#include <QFile>
#include <QList>
#include <QPair>

namespace {

using Name = QPair<QString, QString>; // section, key

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

QString trimBlanks(const QString& s)
{
    qsizetype b = 0;
    qsizetype e = s.size();
    while (b < e && isBlank(s[b]))
        ++b;
    while (e > b && isBlank(s[e - 1]))
        --e;
    return s.mid(b, e - b);
}

// What reading gives back for a value that was written: the value itself,
// blanks at its ends and enclosing quotes included; only a line break, which
// would start a new line of the file, becomes a blank.
QString expectedReadBack(const QString& written)
{
    return QString(written).replace(u'\r', u' ').replace(u'\n', u' ');
}

QList<Name> namesIn(const QStringList& lines)
{
    QList<Name> names;
    QString section;
    for (const QString& line : lines) {
        const QString t = trimBlanks(line);
        if (t.startsWith(u'[')) {
            const qsizetype close = t.indexOf(u']');
            section = trimBlanks(close < 0 ? t.mid(1) : t.mid(1, close - 1));
            continue;
        }
        // Comment lines and lines without a name before '=' hold no key.
        const qsizetype eq = line.indexOf(u'=');
        const QString key = eq > 0 ? trimBlanks(line.left(eq)) : QString();
        if (!key.isEmpty() && !t.startsWith(u';') && names.size() < 48)
            names.append({section, key});
    }
    names.append({QStringLiteral("Title"), QStringLiteral("TitleRegEx1")});
    names.append({QStringLiteral("Output"), QStringLiteral("OutputASCIIDelimeter")});
    return names;
}

IniDocument reencoded(const IniDocument& doc)
{
    IniDocument again;
    again.setLines(TextFile::splitLines(TextFile::decode(TextFile::encodeLines(doc.lines()))));
    return again;
}

QString show(const Name& n, const std::optional<QString>& a, const std::optional<QString>& b)
{
    return QStringLiteral("[%1] %2: <%3> vs <%4>")
        .arg(n.first, n.second, a.value_or(QStringLiteral("(none)")), b.value_or(QStringLiteral("(none)")));
}

void checkDocument(const QByteArray& bytes, const QString& newValue)
{
    IniDocument doc;
    doc.setLines(TextFile::splitLines(TextFile::decode(bytes)));
    const QList<Name> names = namesIn(doc.lines());

    QList<std::optional<QString>> read;
    for (const Name& n : names)
        read.append(doc.value(n.first, n.second));

    // Written as it was and read again: the same values.
    const IniDocument again = reencoded(doc);
    for (qsizetype i = 0; i < names.size(); ++i) {
        const auto v = again.value(names[i].first, names[i].second);
        if (v != read[i])
            fuzzFail("a value changed when the file was written back", show(names[i], read[i], v));
    }

    // Every value that was read, written back through setValue.
    IniDocument written = again;
    for (qsizetype i = 0; i < names.size(); ++i)
        if (read[i])
            written.setValue(names[i].first, names[i].second, *read[i]);
    written = reencoded(written);
    for (qsizetype i = 0; i < names.size(); ++i) {
        if (!read[i])
            continue;
        const auto v = written.value(names[i].first, names[i].second);
        const QString want = expectedReadBack(*read[i]);
        if (v != want)
            fuzzFail("a value read and written back reads differently", show(names[i], want, v));
    }

    // A new value for one key: that key reads it, every other key keeps its own.
    if (!names.isEmpty()) {
        const Name target = names.first();
        IniDocument one = again;
        one.setValue(target.first, target.second, newValue);
        one.setValue(QStringLiteral("Fuzz Section"), QStringLiteral("FuzzKey"), newValue);
        one = reencoded(one);
        const QString want = expectedReadBack(newValue);
        if (one.value(target.first, target.second) != want)
            fuzzFail("a written value reads differently",
                     show(target, want, one.value(target.first, target.second)));
        if (one.value(QStringLiteral("Fuzz Section"), QStringLiteral("FuzzKey")) != want)
            fuzzFail("a value written into a new section reads differently");
        for (qsizetype i = 0; i < names.size(); ++i) {
            const Name& n = names[i];
            if (n.first.compare(target.first, Qt::CaseInsensitive) == 0 &&
                n.second.compare(target.second, Qt::CaseInsensitive) == 0)
                continue;
            if (n.first.compare(QStringLiteral("Fuzz Section"), Qt::CaseInsensitive) == 0)
                continue;
            const auto v = one.value(n.first, n.second);
            if (v != read[i])
                fuzzFail("writing one key changed another", show(n, read[i], v));
        }
    }
}

QStringList rawValues(const Settings& s)
{
    QStringList out;
    for (int i = 0; i < FieldCount; ++i)
        out.append(s.snapshot().rawValue(Key(i)));
    return out;
}

// LoadSettings from the file, SaveSettings into the same file, LoadSettings
// again: the record read the second time is the one saved.
void checkSettingsFile(const QByteArray& bytes)
{
    const QString path = fuzzScratchFile(QStringLiteral("links.ini"));
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            fuzzFail("cannot write the scratch file");
        f.write(bytes);
    }
    Settings first;
    LoadSettings(first, path);
    if (!SaveSettings(first, path).ok)
        fuzzFail("SaveSettings failed on a readable file");
    Settings second;
    LoadSettings(second, path);
    const auto fields = settingsFields();
    for (int i = 0; i < FieldCount; ++i) {
        QString want = first.snapshot().rawValue(Key(i));
        if (fields[i].kind == FieldKind::Text)
            want = CutIniValue(expectedReadBack(want));
        if (second.snapshot().rawValue(Key(i)) != want)
            fuzzFail("a setting changed through Save and Load",
                     QStringLiteral("%1: <%2> vs <%3>")
                         .arg(QString::fromLatin1(fields[i].key), want, second.snapshot().rawValue(Key(i))));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const FuzzInput in(data, size, 2);
    checkDocument(in.part(0), QString::fromUtf8(in.part(1)));
    if (in.option(0))
        checkSettingsFile(in.part(0));
    return 0;
}
