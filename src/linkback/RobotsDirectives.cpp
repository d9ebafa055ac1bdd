#include "linkback/RobotsDirectives.h"

#include <QStringList>

void RobotsDirectives::addContent(const QString& content)
{
    for (const QString& part : content.split(u',')) {
        // Commas separate directives; some pages use blanks as well.
        for (const QString& token : part.simplified().split(u' ', Qt::SkipEmptyParts)) {
            const QString directive = token.toLower();
            if (directive == u"noindex")
                noindex = true;
            else if (directive == u"nofollow")
                nofollow = true;
            else if (directive == u"none")
                noindex = nofollow = true;
        }
    }
}

void RobotsDirectives::addHeaderBlock(const QString& header)
{
    static const QString name = QStringLiteral("x-robots-tag:");
    for (QString line : header.split(u'\n')) {
        line = line.trimmed();
        if (!line.startsWith(name, Qt::CaseInsensitive))
            continue;
        QString value = line.mid(name.size()).trimmed();
        // "googlebot: noindex": a crawler's name before a colon. Directives
        // with a value of their own ("max-snippet: 20") are not names.
        const qsizetype colon = value.indexOf(u':');
        const qsizetype comma = value.indexOf(u',');
        if (colon > 0 && (comma < 0 || colon < comma)) {
            const QString agent = value.left(colon).trimmed().toLower();
            const bool isDirective = agent == u"unavailable_after" || agent.startsWith(u"max-");
            if (!isDirective) {
                if (agent != u"googlebot" && agent != u"*")
                    continue;
                value = value.mid(colon + 1);
            }
        }
        addContent(value);
    }
}
