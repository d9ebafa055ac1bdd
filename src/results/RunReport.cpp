#include "results/RunReport.h"

#include "platform/AtomicFile.h"

#include <QStringList>

namespace {

QString field(const QString& text)
{
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
    QByteArray csv("index,url,outcome,reason,status_line,content_type,bytes,milliseconds\r\n");
    for (const Line& line : m_lines) {
        const QStringList fields{QString::number(line.index), field(line.url),
                                 field(line.outcome),         field(line.reason),
                                 field(line.statusLine),      field(line.contentType),
                                 number(line.bytes),          number(line.milliseconds)};
        csv += fields.join(u',').toUtf8();
        csv += "\r\n";
    }
    return csv;
}

SaveOutcome RunReport::save(const QString& path) const
{
    return AtomicFile::write(path, toCsv());
}
