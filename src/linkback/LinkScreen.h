#pragma once

#include "linkback/MySites.h"

#include <QString>

// A quick look over a page's text, before any parsing: can any link on it
// point into the user's sites? Most pages of a run hold no such link, and
// saying so from the href values alone costs a small part of a parse.
//
// The answer errs on the side of "maybe": a page whose address is on one of
// the sites, a page with <base>, a site given as an IP address, and any href
// value whose host part a browser would rewrite (entities other than the
// common five, percent signs, tabs and line breaks, backslashes, non-ASCII
// characters) all get a "maybe", so no spelling of a link escapes the parser.
class LinkScreen
{
public:
    static bool mayLink(const QString& pageUrl, const QString& body, const MySites& sites);
};
