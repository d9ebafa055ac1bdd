#pragma once

#include "linkback/LinkBackVerdict.h"
#include "platform/SaveOutcome.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

// The report of a run: one CSV line per URL of the list, in list order, after
// a header line, so a person can sort and filter the outcomes in any
// spreadsheet program. The file follows RFC 4180: UTF-8 without a byte order
// mark, CR LF after every line, and a field that holds a comma, a double
// quote, a CR or an LF written inside double quotes with its double quotes
// doubled. A text that begins with "=", "+", "-", "@", a tab or a CR gets an
// apostrophe in front, so that no spreadsheet program runs it as a formula.
// Every other field is written as it is.
class RunReport
{
public:
    // One URL's line. The outcome is one of "accepted", "refused", "failed" and
    // "not reached"; a number left unset is written as an empty field.
    struct Line
    {
        qint64 index = 0;
        QString url;
        QString outcome;
        QString reason;
        QString statusLine;
        QString contentType;
        std::optional<qint64> bytes;
        std::optional<qint64> milliseconds;
        std::optional<qint64> attempts; // requests sent for the page; 0 when its host was known not to answer
        // The link-back verdict: its name, e.g. "nofollow", and the deciding
        // link's markup fill the last two fields; both empty when not proved.
        std::optional<LinkBackVerdict> linkBack;
    };

    void append(const Line& line) { m_lines.append(line); }
    const QList<Line>& lines() const { return m_lines; }

    // The whole file: the header line, then the lines.
    QByteArray toCsv() const;
    // One field as the file writes it: guarded against formulas, quoted when needed.
    static QString csvField(const QString& text);
    // Replaces the file as a whole; the old one stays if the save fails.
    SaveOutcome save(const QString& path) const;

private:
    QList<Line> m_lines;
};
