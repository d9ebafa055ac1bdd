#pragma once

#include "store/UrlRecord.h"

#include <QString>

// The record the tests and the crash helper give for position i: every third
// page accepted with cells like a directory page's, the others refused or
// failed, so a record read back can be told apart from any other.
inline UrlRecord sampleRecord(int i)
{
    UrlRecord r;
    r.position = i;
    r.url = QStringLiteral("https://site%1.example/links.html").arg(i);
    r.bytes = 3000 + i;
    r.milliseconds = 40 + i % 7;
    switch (i % 3) {
    case 1:
        r.kind = UrlRecord::Kind::Accepted;
        r.statusLine = QStringLiteral("HTTP/1.1 200 OK");
        r.contentType = QStringLiteral("text/html; charset=utf-8");
        r.row.number = (i + 2) / 3;
        r.reason = QStringLiteral("row %1").arg(r.row.number);
        r.row.title = QStringLiteral("Site %1 - a directory of garden tools").arg(i);
        r.row.email = QStringLiteral("info@site%1.example").arg(i);
        r.row.description =
            QStringLiteral("Everything about spades, rakes and hoes, reviewed by gardeners since "
                           "1998; page %1.")
                .arg(i);
        break;
    case 2:
        r.kind = UrlRecord::Kind::Refused;
        r.statusLine = QStringLiteral("HTTP/1.1 200 OK");
        r.contentType = QStringLiteral("text/html");
        r.reason = QStringLiteral("reciprocal link not found");
        break;
    default:
        r.kind = UrlRecord::Kind::Failed;
        r.reason = QStringLiteral("fetch failed: Connection refused");
        break;
    }
    return r;
}
