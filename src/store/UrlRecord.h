#pragma once

#include "results/ResultRow.h"

#include <QString>
#include <optional>

// What the journal keeps of one list entry whose turn in a run is complete:
// where it stood, what came of it, what the response said and cost, and for an
// accepted page the row it became, cell by cell as the run wrote it. Later
// edits in the grid change the grid and the saved file, never this record.
struct UrlRecord
{
    // Stored as these numbers; never renumber them.
    enum class Kind
    {
        Accepted = 1, // row holds the row
        Refused = 2,  // reason says which check refused the page
        Failed = 3    // no response: reason holds the transfer's message
    };

    // The link-back verdict on the page, part by part.
    struct LinkBackFields
    {
        int kind = 0;       // the verdict's kind by the number the link-back proof gives it
        QString evidence;   // the deciding link's markup
        QString anchorText; // that link's text; null when the check was stored by an earlier version
        QString target;     // that link's resolved target; null as anchorText
        QString finalUrl;   // the page's address after redirects, where its links were read
        QString source;     // what the links were read from: "html"
    };

    int position = 0; // the entry's place in the list, counted from 1
    QString url;      // the entry as the list held it when its turn came
    Kind kind = Kind::Refused;
    QString reason;      // one line for people, e.g. "reciprocal link not found"
    QString statusLine;  // e.g. "HTTP/1.1 200 OK"; empty without a response
    QString contentType; // the Content-Type value
    qint64 bytes = 0;
    qint64 milliseconds = 0;
    qint64 checkedAt = 0; // when the outcome was decided, ms since 1970 UTC; 0: when recorded
    int attempts = 1;     // requests made, retries after "429" or "503" included

    // Accepted only: the row as the run inserted it. Its URL cell is nearly
    // always the entry itself; a null one is taken for the entry.
    ResultRow row;

    // When the run proved the page's link back: the verdict.
    std::optional<LinkBackFields> linkBack;
};
