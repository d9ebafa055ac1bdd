#pragma once

#include "linkback/GumboArena.h"
#include "linkback/MySites.h"

#include <QList>
#include <QString>
#include <QStringList>

// One link of a page, as the page gives it.
struct ProofLink
{
    QString target;  // resolved as a browser resolves it; the raw text when it does not resolve; "" when <a>
                     // has no href
    QString text;    // the link's text, or an image's alt text, blanks collapsed
    QStringList rel; // the rel tokens, lower case
    QString markup;  // the link's markup as the page has it, on one line, cut at 300 characters
    bool area = false;   // an image-map <area>, not an <a>
    bool hidden = false; // the hidden attribute, or display:none / visibility:hidden inline on it or above it
    bool inNoscript = false; // inside <noscript>: only shown when scripts are off
    bool inComment = false;  // inside an HTML comment: no link at all to a browser or a search engine

    // No rel token that asks search engines not to follow it.
    bool relFollows() const;
};

// What the page says about itself.
struct PageSignals
{
    bool noindex = false;  // meta robots or googlebot, or X-Robots-Tag
    bool nofollow = false; // the same, for every link of the page
    QString canonical;     // the target of <link rel="canonical"> in the head, resolved; "" when none
    bool canonicalElsewhere = false;
};

struct LinkProofResult
{
    // What the response was. Only a 2xx HTML page is read for links: an
    // error page or a file of another kind says nothing about the partner's
    // page of links.
    enum class Answer
    {
        WebPage,
        ErrorStatus, // not a 2xx status
        OtherType,   // a type other than HTML
    };

    QList<ProofLink> links; // page order; the links found inside comments after the others
    PageSignals page;
    bool complete = true; // false: a limit stopped the parser and nothing was read
    Answer answer = Answer::WebPage;
};

// The proof over one fetched HTML page: the links it gives to the user's
// sites (or all of its links) and its signals to search engines, read from
// the tree a real HTML5 parser builds.
class LinkProof
{
public:
    enum class Scope
    {
        MySites,  // the links whose target lies in one of the sites
        AllLinks, // every <a> and <area>, wherever it points
    };

    // Processor time and memory a page of this many characters may take:
    // generous for any real page, a stop for a hostile one.
    static GumboArena::Limits defaultLimits(qsizetype pageChars);

    // pageUrl: the page's final address, after redirects. header: the
    // response's header block. body: the decoded page text.
    static LinkProofResult examine(const QString& pageUrl, const QString& header, const QString& body,
                                   const MySites& sites, Scope scope = Scope::MySites);
    static LinkProofResult examine(const QString& pageUrl, const QString& header, const QString& body,
                                   const MySites& sites, Scope scope, const GumboArena::Limits& limits);

    // Text on one line (every run of blanks and line breaks one blank), cut
    // at 300 characters, the last of them "…" when something was cut.
    static QString evidenceText(const QString& text);
};
