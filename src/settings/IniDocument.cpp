#include "settings/IniDocument.h"

#include "platform/TextFile.h"

namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

QStringView trimBlanks(QStringView s)
{
    qsizetype begin = 0;
    qsizetype end = s.size();
    while (begin < end && isBlank(s[begin]))
        ++begin;
    while (end > begin && isBlank(s[end - 1]))
        --end;
    return s.sliced(begin, end - begin);
}

// The section a header line opens, or nothing for any other line.
std::optional<QStringView> sectionName(QStringView line)
{
    const QStringView t = trimBlanks(line);
    if (!t.startsWith(u'['))
        return std::nullopt;
    const qsizetype close = t.indexOf(u']');
    return trimBlanks(close < 0 ? t.sliced(1) : t.sliced(1, close - 1));
}

// Position of the '=' of a key line, or -1 for headers, comments and other lines.
qsizetype equalsOf(QStringView line)
{
    const QStringView t = trimBlanks(line);
    if (t.isEmpty() || t.startsWith(u';') || t.startsWith(u'['))
        return -1;
    const qsizetype eq = line.indexOf(u'=');
    if (eq < 0 || trimBlanks(line.first(eq)).isEmpty())
        return -1;
    return eq;
}

bool sameName(QStringView a, QStringView b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

QString singleLine(QString value)
{
    for (QChar& c : value)
        if (c == u'\r' || c == u'\n')
            c = u' ';
    return value;
}

bool quoteEnclosed(QStringView v)
{
    return v.size() >= 2 && (v.front() == u'"' || v.front() == u'\'') && v.back() == v.front();
}

// Reading drops the blanks around a value and then one pair of enclosing
// quotes. A value that would lose something that way goes inside one more
// pair of double quotes, so it reads back exactly as it was written: one that
// begins or ends with a blank (a delimiter of one blank or one tab) and one
// that is itself enclosed in quotes (a pattern such as '[^']*'). Every other
// value is written bare, as people who edit the file expect to find it.
QString storedForm(const QString& value)
{
    const bool edgeBlank = !value.isEmpty() && (isBlank(value.front()) || isBlank(value.back()));
    return edgeBlank || quoteEnclosed(value) ? u'"' + value + u'"' : value;
}

} // namespace

bool IniDocument::load(const QString& path)
{
    std::optional<QStringList> lines = TextFile::readLines(path);
    m_lines = lines ? std::move(*lines) : QStringList();
    return lines.has_value();
}

SaveOutcome IniDocument::save(const QString& path) const
{
    return TextFile::writeLines(path, m_lines);
}

IniDocument::Location IniDocument::locate(const QString& section, const QString& key) const
{
    Location where;
    bool inSection = false;
    bool firstSectionOpen = false;
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        const QString& line = m_lines[i];
        if (const auto name = sectionName(line)) {
            inSection = sameName(*name, section);
            firstSectionOpen = inSection && where.sectionEnd < 0;
            if (firstSectionOpen)
                where.sectionEnd = i;
            continue;
        }
        if (!inSection)
            continue;
        if (firstSectionOpen && !trimBlanks(line).isEmpty())
            where.sectionEnd = i;
        const qsizetype eq = equalsOf(line);
        if (eq >= 0 && where.keyLine < 0 && sameName(trimBlanks(QStringView(line).first(eq)), key))
            where.keyLine = i;
    }
    return where;
}

std::optional<QString> IniDocument::value(const QString& section, const QString& key) const
{
    const Location where = locate(section, key);
    if (where.keyLine < 0)
        return std::nullopt;
    const QString& line = m_lines[where.keyLine];
    QStringView v = trimBlanks(QStringView(line).sliced(line.indexOf(u'=') + 1));
    if (quoteEnclosed(v))
        v = v.sliced(1, v.size() - 2);
    return v.toString();
}

void IniDocument::setValue(const QString& section, const QString& key, const QString& value)
{
    const Location where = locate(section, key);
    const QString clean = storedForm(singleLine(value));
    if (where.keyLine >= 0) {
        QString& line = m_lines[where.keyLine];
        const qsizetype eq = line.indexOf(u'=');
        line = trimBlanks(QStringView(line).first(eq)).toString() + u'=' + clean;
        return;
    }
    const QString entry = key + u'=' + clean;
    if (where.sectionEnd >= 0) {
        m_lines.insert(where.sectionEnd + 1, entry);
        return;
    }
    // A blank line between sections keeps a file readable for the people who edit it.
    if (!m_lines.isEmpty() && !trimBlanks(m_lines.constLast()).isEmpty())
        m_lines.append(QString());
    m_lines.append(u'[' + section + u']');
    m_lines.append(entry);
}
