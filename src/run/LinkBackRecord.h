#pragma once

#include "linkback/LinkBackChange.h"
#include "linkback/LinkBackVerdict.h"

#include <QString>
#include <optional>

struct UrlRecord;

// How a link-back verdict is kept in the run journal, so that a later
// re-check can say what changed. The record's linkBack is true only for a
// followed link; its evidence text holds the verdict's name, the deciding
// link's markup and, on a second line, the page's address after redirects:
//   nofollow — <a href="https://example.com/" rel="nofollow">Example</a>
//   https://partner.example/links.html
// The first line reads as the test run's line does, for whoever looks into
// the store.
class LinkBackRecord
{
public:
    static void fill(UrlRecord& record, const LinkBackVerdict& verdict, const QString& finalUrl);
    // The same from a run's outcome: the verdict's name and its evidence.
    static void fill(UrlRecord& record, const QString& verdictName, const QString& evidence,
                     const QString& finalUrl);
    // The check a record holds; none when the run that made it did not prove
    // the link back.
    static std::optional<LinkBackCheck> checkOf(const UrlRecord& record);
    // The verdict's name alone, from a record's evidence text.
    static QString verdictName(const QString& evidenceText);
};
