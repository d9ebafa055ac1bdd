#include "run/RunReport.h"

#include "platform/AtomicFile.h"

#include <QStringList>

namespace {

QString field(const QString& raw)
{
    // The report is meant to be opened in a spreadsheet, and its texts come
    // from the web: a status line, a content type or a harvested link that
    // begins like a formula would be run as one there. An apostrophe in
    // front makes every spreadsheet program take it as text. No well-formed
    // URL, status line or content type begins with one of these.
    static constexpr char16_t formulaStarts[] = u"=+-@\t\r";
    QString text = raw;
    if (!text.isEmpty() && QStringView(formulaStarts).contains(text.front()))
        text.prepend(u'\'');
    const bool quoted =
        text.contains(u',') || text.contains(u'"') || text.contains(u'\r') || text.contains(u'\n');
    if (!quoted)
        return text;
    QString doubled = text;
    doubled.replace(u'"', QLatin1String("\"\""));
    return u'"' + doubled + u'"';
}

QString number(const std::optional<qint64>& n)
{
    return n ? QString::number(*n) : QString();
}

} // namespace

QByteArray RunReport::toCsv() const
{
    QByteArray csv("index,url,outcome,reason,status_line,content_type,bytes,milliseconds,attempts,link_back,"
                   "link_back_evidence\r\n");
    for (const Line& line : m_lines) {
        const QString linkBack = line.linkBack ? LinkBackVerdict::name(line.linkBack->kind) : QString();
        const QString evidence = line.linkBack ? line.linkBack->evidence : QString();
        const QStringList fields{QString::number(line.index),
                                 field(line.url),
                                 field(line.outcome),
                                 field(line.reason),
                                 field(line.statusLine),
                                 field(line.contentType),
                                 number(line.bytes),
                                 number(line.milliseconds),
                                 number(line.attempts),
                                 field(linkBack),
                                 field(evidence)};
        csv += fields.join(u',').toUtf8();
        csv += "\r\n";
    }
    return csv;
}

QString RunReport::csvField(const QString& text)
{
    return field(text);
}

SaveOutcome RunReport::save(const QString& path) const
{
    return AtomicFile::write(path, toCsv());
}
