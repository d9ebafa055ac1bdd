#pragma once

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>

// One line of the Partners list: a partner's page as its last check left it.
struct PartnerLine
{
    QString partnerPage;
    QString state;      // the verdict's words, such as "nofollow"
    QDate since;        // the first check of an unbroken run of that state
    QString anchorText; // the text of the link to the user's site, as the page has it
    QDate lastChecked;
    QString email;
    QString change; // the last check's change, such as "lost" or "still no link"
};

// The Partners list as a file to keep or pass on: one self-contained HTML page
// (its style inside, the picture inside as SVG, nothing fetched when it is
// opened) or a CSV file of the same lines. Every text comes from partners'
// pages and is escaped: an anchor text is no markup of the report's own.
class PartnerReport
{
public:
    QString title;   // the page's title and heading
    QString summary; // one line above the table, such as LinkBackChanges::summary()
    QString svg;     // the chart as SVG text (PartnerPicture::svg), or empty
    QList<PartnerLine> lines;

    QByteArray html() const;
    // RFC 4180 with CR LF and a header line, as RunReport writes its lines.
    QByteArray csv() const;

    // "&", "<", ">", '"' and "'" as character references.
    static QString escaped(const QString& text);
    // The <svg> element alone: an XML declaration or doctype in front of it
    // means nothing inside HTML.
    static QString svgElement(const QString& svg);
};
