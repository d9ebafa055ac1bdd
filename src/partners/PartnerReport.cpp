#include "partners/PartnerReport.h"

#include "run/RunReport.h"

#include <QStringList>
#include <QUrl>

namespace {

QString date(const QDate& d)
{
    return d.isValid() ? d.toString(Qt::ISODate) : QString();
}

// A partner's address as a link only when it is a web address: a list can
// hold anything, and a "javascript:" link in a saved report would run.
QString pageCell(const QString& page)
{
    const QUrl url(page.trimmed());
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != u"http" && scheme != u"https"))
        return PartnerReport::escaped(page);
    return QStringLiteral("<a href=\"%1\">%2</a>")
        .arg(PartnerReport::escaped(QString::fromUtf8(url.toEncoded())), PartnerReport::escaped(page));
}

const char kStyle[] = R"(
body { font: 14px/1.4 system-ui, sans-serif; margin: 2em; color: #222; }
h1 { font-size: 1.4em; margin: 0 0 .3em; }
p.summary { margin: 0 0 1em; color: #444; }
figure { margin: 0 0 1.5em; }
figure svg { max-width: 100%; height: auto; }
figure svg, figure svg * { font-family: system-ui, sans-serif; }
table { border-collapse: collapse; width: 100%; }
th, td { text-align: left; padding: .3em .6em; border-bottom: 1px solid #ddd; vertical-align: top; }
th { background: #f3f3f3; }
td.page, td.mail { overflow-wrap: anywhere; }
td.date { white-space: nowrap; }
)";

} // namespace

QString PartnerReport::escaped(const QString& text)
{
    QString out;
    out.reserve(text.size() + 16);
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'&':
            out += QLatin1String("&amp;");
            break;
        case u'<':
            out += QLatin1String("&lt;");
            break;
        case u'>':
            out += QLatin1String("&gt;");
            break;
        case u'"':
            out += QLatin1String("&quot;");
            break;
        case u'\'':
            out += QLatin1String("&#39;");
            break;
        default:
            out += c;
        }
    }
    return out;
}

QString PartnerReport::svgElement(const QString& svg)
{
    const qsizetype start = svg.indexOf(QLatin1String("<svg"));
    return start < 0 ? QString() : svg.sliced(start);
}

QByteArray PartnerReport::html() const
{
    QString page = QLatin1String("<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n<title>") +
                   escaped(title) + QLatin1String("</title>\n<style>") + QLatin1String(kStyle) +
                   QLatin1String("</style>\n</head>\n<body>\n<h1>") + escaped(title) +
                   QLatin1String("</h1>\n<p class=\"summary\">") + escaped(summary) + QLatin1String("</p>\n");
    const QString picture = svgElement(svg);
    if (!picture.isEmpty())
        page += QLatin1String("<figure>\n") + picture + QLatin1String("\n</figure>\n");
    page += QLatin1String(
        "<table>\n<thead><tr><th>Partner page</th><th>State</th><th>Since</th><th>Anchor text</th>"
        "<th>Last checked</th><th>E-mail</th><th>Change</th></tr></thead>\n<tbody>\n");
    // A cell's class says how it may wrap: addresses anywhere, dates never.
    const auto cell = [](const char* kind, const QString& html) {
        return (kind ? QStringLiteral("<td class=\"%1\">").arg(QLatin1String(kind))
                     : QStringLiteral("<td>")) +
               html + QLatin1String("</td>");
    };
    for (const PartnerLine& line : lines) {
        page += QLatin1String("<tr>") + cell("page", pageCell(line.partnerPage)) +
                cell(nullptr, escaped(line.state)) + cell("date", date(line.since)) +
                cell(nullptr, escaped(line.anchorText)) + cell("date", date(line.lastChecked)) +
                cell("mail", escaped(line.email)) + cell(nullptr, escaped(line.change)) +
                QLatin1String("</tr>\n");
    }
    page += QLatin1String("</tbody>\n</table>\n</body>\n</html>\n");
    return page.toUtf8();
}

QByteArray PartnerReport::csv() const
{
    QByteArray out("partner_page,state,since,anchor_text,last_checked,email,change\r\n");
    for (const PartnerLine& line : lines) {
        const QStringList fields{RunReport::csvField(line.partnerPage),
                                 RunReport::csvField(line.state),
                                 date(line.since),
                                 RunReport::csvField(line.anchorText),
                                 date(line.lastChecked),
                                 RunReport::csvField(line.email),
                                 RunReport::csvField(line.change)};
        out += fields.join(u',').toUtf8();
        out += "\r\n";
    }
    return out;
}
