#pragma once

#include "linkback/MySites.h"

#include <QString>

// Quick answers, before any parsing, to "can this link point into the
// user's sites?" Most links of a run's pages cannot, and saying so from the
// href value as written costs far less than resolving it.
//
// The answers err on the side of "maybe": a page whose address is on one of
// the sites, a site given as an IP address, and any href value whose host
// part a browser would rewrite (entities other than the common five, percent
// signs, tabs and line breaks, backslashes, non-ASCII characters) all get a
// "maybe", so no spelling of a link escapes the parser.
class LinkScreen
{
public:
    // Every link of the page may point into the sites, whatever its href:
    // the page lies on one of them, or a site is an IP address.
    static bool linksEverywhere(const QString& pageUrl, const MySites& sites);
    // An href value as the page writes it (character references not yet
    // decoded) may point into the sites, for a page that is not on them.
    static bool mayName(QStringView raw, const MySites& sites);
};
