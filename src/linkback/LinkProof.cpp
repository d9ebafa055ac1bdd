#include "linkback/LinkProof.h"

#include "linkback/HtmlTree.h"
#include "linkback/InlineStyle.h"
#include "linkback/LinkScreen.h"
#include "linkback/PageSkeleton.h"
#include "linkback/RobotsDirectives.h"

#include <QElapsedTimer>
#include <cctype>
#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr int EvidenceChars = 300;
// Enough UTF-8 for 300 characters of markup.
constexpr qsizetype EvidenceBytes = 4 * EvidenceChars;
// A link's text is gathered from at most this many nodes below it.
constexpr int TextNodeBudget = 2000;

struct Context
{
    bool displayNone = false;
    bool invisible = false;
    bool noscript = false;
    bool head = false;
    InlineStyle::CustomProperties custom; // empty on nearly every page: costs nothing to pass on
};

struct Candidate
{
    const GumboNode* node = nullptr;
    const HtmlTree* tree = nullptr;
    QString href; // null: no href attribute
    Context context;
    bool inComment = false;
};

struct Collected
{
    std::vector<Candidate> candidates;
    std::vector<const GumboNode*> comments;
    QString base;      // null until a <base href> is met
    QString canonical; // null until a <link rel="canonical"> in the head is met
    RobotsDirectives directives;
};

bool isHtml(const GumboElement& e, GumboTag tag)
{
    return e.tag == tag && e.tag_namespace == GUMBO_NAMESPACE_HTML;
}

QStringList tokens(const QString& value)
{
    return value.toLower().simplified().split(u' ', Qt::SkipEmptyParts);
}

Context contextOf(const GumboElement& e, Context context)
{
    // The hidden attribute stands for display:none below the element's own
    // style, so a display the page sets there shows it again; "until-found"
    // hides the content until a search on the page finds it, whatever the
    // display.
    const bool hiddenAttribute = HtmlTree::hasAttribute(e, "hidden");
    const bool untilFound =
        hiddenAttribute &&
        HtmlTree::attribute(e, "hidden").compare(QLatin1String("until-found"), Qt::CaseInsensitive) == 0;
    bool displayNone = hiddenAttribute;
    const QString style = HtmlTree::attribute(e, "style");
    if (!style.isEmpty()) {
        InlineStyle::CustomProperties custom;
        const InlineStyle::Visibility visibility = InlineStyle::read(style, context.custom, &custom);
        context.custom = std::move(custom);
        displayNone = untilFound || visibility.displayNone.value_or(displayNone);
        if (visibility.invisible)
            context.invisible = *visibility.invisible;
    }
    context.displayNone = context.displayNone || displayNone;
    if (isHtml(e, GUMBO_TAG_NOSCRIPT))
        context.noscript = true;
    if (isHtml(e, GUMBO_TAG_HEAD))
        context.head = true;
    return context;
}

void look(const GumboNode* node, const HtmlTree& tree, const Context& context, bool inComment, Collected& out)
{
    const GumboElement& e = node->v.element;
    // Every <a>, in any namespace (an SVG link is a link); <area> with a target.
    if (e.tag == GUMBO_TAG_A || (isHtml(e, GUMBO_TAG_AREA) && HtmlTree::hasAttribute(e, "href"))) {
        out.candidates.push_back({node, &tree, HtmlTree::attribute(e, "href"), context, inComment});
        return;
    }
    if (inComment)
        return;
    if (isHtml(e, GUMBO_TAG_BASE) && out.base.isNull()) {
        out.base = HtmlTree::attribute(e, "href");
    } else if (isHtml(e, GUMBO_TAG_META)) {
        const QString name = HtmlTree::attribute(e, "name").trimmed().toLower();
        if (name == u"robots" || name == u"googlebot")
            out.directives.addContent(HtmlTree::attribute(e, "content"));
    } else if (isHtml(e, GUMBO_TAG_LINK) && context.head && out.canonical.isNull() &&
               tokens(HtmlTree::attribute(e, "rel")).contains(u"canonical")) {
        out.canonical = HtmlTree::attribute(e, "href");
    }
}

// Depth-first over the whole tree with a stack of its own: a page may nest
// elements far deeper than the call stack could follow.
void walk(const HtmlTree& tree, bool inComment, Collected& out)
{
    struct Frame
    {
        const GumboVector* children;
        unsigned next;
        Context context;
    };
    const GumboNode* document = tree.document();
    if (!document)
        return;
    std::vector<Frame> stack;
    stack.push_back({&document->v.document.children, 0, Context{}});
    while (!stack.empty()) {
        Frame& frame = stack.back();
        if (frame.next >= frame.children->length) {
            stack.pop_back();
            continue;
        }
        const auto* node = static_cast<const GumboNode*>(frame.children->data[frame.next++]);
        if (node->type == GUMBO_NODE_COMMENT) {
            if (!inComment && strcasestr(node->v.text.text, "href"))
                out.comments.push_back(node);
            continue;
        }
        if (node->type != GUMBO_NODE_ELEMENT && node->type != GUMBO_NODE_TEMPLATE)
            continue;
        const Context context = contextOf(node->v.element, frame.context);
        look(node, tree, context, inComment, out);
        // A template's content is not part of the page until a script uses it.
        if (node->type == GUMBO_NODE_ELEMENT)
            stack.push_back({&node->v.element.children, 0, context});
    }
}

// The text of a link, or the alt text of its first image when it has none;
// *cut set when the tree lacks some of it.
QString linkText(const GumboNode* link, const HtmlTree& tree, bool* cut)
{
    QString text;
    QString alt;
    bool altSeen = false;
    int budget = TextNodeBudget;
    std::vector<std::pair<const GumboVector*, unsigned>> stack{{&link->v.element.children, 0}};
    while (!stack.empty() && budget-- > 0 && text.size() < 2 * EvidenceChars) {
        auto& [children, next] = stack.back();
        if (next >= children->length) {
            stack.pop_back();
            continue;
        }
        const auto* node = static_cast<const GumboNode*>(children->data[next++]);
        if (node->type == GUMBO_NODE_TEXT || node->type == GUMBO_NODE_WHITESPACE ||
            node->type == GUMBO_NODE_CDATA) {
            text += QString::fromUtf8(node->v.text.text);
            *cut = *cut || tree.isCut(node->v.text);
        } else if (node->type == GUMBO_NODE_ELEMENT) {
            if (!altSeen && isHtml(node->v.element, GUMBO_TAG_IMG) &&
                HtmlTree::hasAttribute(node->v.element, "alt")) {
                alt = HtmlTree::attribute(node->v.element, "alt");
                altSeen = true;
            }
            stack.push_back({&node->v.element.children, 0});
        }
    }
    text = LinkProof::evidenceText(text.simplified());
    return text.isEmpty() ? LinkProof::evidenceText(alt.simplified()) : text;
}

QString markupOf(const Candidate& candidate, const QString& text)
{
    const GumboElement& e = candidate.node->v.element;
    const char* begin = e.original_tag.data;
    if (!begin || e.original_tag.length == 0)
        return {};
    const char* end = begin + e.original_tag.length;
    // gumbo also records the end tag that closed the element by implication
    // ("</p>" after an unclosed link); only the element's own one counts.
    const char* name = gumbo_normalized_tagname(e.tag);
    const size_t nameLength = std::strlen(name);
    const GumboStringPiece& endTag = e.original_end_tag;
    const bool closed = endTag.length > nameLength + 2 && endTag.data >= end &&
                        strncasecmp(endTag.data + 2, name, nameLength) == 0 &&
                        !std::isalnum(uchar(endTag.data[2 + nameLength]));
    if (closed)
        end = e.original_end_tag.data + e.original_end_tag.length;
    QString markup = candidate.tree->text(begin, end, EvidenceBytes);
    // A link whose end tag the page left out is shown with its text and one.
    if (!closed && e.tag == GUMBO_TAG_A)
        markup += text + QStringLiteral("</a>");
    return LinkProof::evidenceText(markup);
}

struct Reading
{
    QString pageUrl;
    RobotsDirectives headerDirectives;
    const MySites& sites;
    LinkProof::Scope scope;
    GumboArena::Limits limits;
    QElapsedTimer clock;
};

// The links and signals of one parsed page.
LinkProofResult read(const HtmlTree& tree, const Reading& reading, bool* cut)
{
    const GumboArena::Limits& limits = reading.limits;
    const MySites& sites = reading.sites;
    LinkProofResult result;
    result.complete = tree.isComplete();
    Collected collected;
    walk(tree, false, collected);

    // A comment that names a link is read as a page of its own.
    std::vector<std::unique_ptr<HtmlTree>> commentTrees;
    for (const GumboNode* comment : collected.comments) {
        GumboArena::Limits rest = limits;
        if (rest.cpuMilliseconds > 0)
            rest.cpuMilliseconds = qMax<qint64>(1, limits.cpuMilliseconds - reading.clock.elapsed());
        commentTrees.push_back(std::make_unique<HtmlTree>(QByteArray(comment->v.text.text), rest));
        walk(*commentTrees.back(), true, collected);
    }

    const WebUrl document = WebUrl::parse(reading.pageUrl);
    WebUrl base = document;
    if (!collected.base.isNull()) {
        const WebUrl declared = document.resolved(collected.base);
        if (declared.isValid())
            base = declared;
    }

    for (const Candidate& candidate : collected.candidates) {
        ProofLink link;
        WebUrl target;
        if (!candidate.href.isNull()) {
            target = base.resolved(candidate.href);
            link.target = target.isValid() ? target.toString() : candidate.href;
        } else {
            link.target = QLatin1String("");
        }
        if (reading.scope == LinkProof::Scope::MySites && !sites.covers(target))
            continue;
        const GumboElement& e = candidate.node->v.element;
        link.area = e.tag == GUMBO_TAG_AREA;
        link.rel = tokens(HtmlTree::attribute(e, "rel"));
        link.text = link.area ? LinkProof::evidenceText(HtmlTree::attribute(e, "alt"))
                              : linkText(candidate.node, *candidate.tree, cut);
        link.markup = markupOf(candidate, link.text);
        link.hidden = candidate.context.displayNone || candidate.context.invisible;
        link.inNoscript = candidate.context.noscript;
        link.inComment = candidate.inComment;
        result.links.append(link);
    }

    result.page.noindex = collected.directives.noindex || reading.headerDirectives.noindex;
    result.page.nofollow = collected.directives.nofollow || reading.headerDirectives.nofollow;
    if (!collected.canonical.isNull()) {
        const WebUrl canonical = base.resolved(collected.canonical);
        if (canonical.isValid()) {
            result.page.canonical = canonical.toString();
            // http and https of one address are one page to a search engine.
            const auto key = [](const WebUrl& url) { return url.withoutFragment().mid(url.scheme().size()); };
            result.page.canonicalElsewhere = document.isValid() && key(canonical) != key(document);
        }
    }
    return result;
}

} // namespace

bool ProofLink::relFollows() const
{
    return !rel.contains(u"nofollow") && !rel.contains(u"sponsored") && !rel.contains(u"ugc");
}

QString LinkProof::evidenceText(const QString& text)
{
    QString line;
    line.reserve(qMin<qsizetype>(text.size(), EvidenceChars + 1));
    bool blank = false;
    for (const QChar c : text) {
        if (line.size() > EvidenceChars)
            break;
        if (c.isSpace()) {
            blank = true;
            continue;
        }
        if (blank && !line.isEmpty())
            line += u' ';
        blank = false;
        line += c;
    }
    if (line.size() > EvidenceChars) {
        line.truncate(EvidenceChars - 1);
        line += QChar(0x2026);
    }
    return line;
}

GumboArena::Limits LinkProof::defaultLimits(qsizetype pageChars)
{
    // A real page's tree takes about 25 times its size (16 MiB of bare links:
    // 370 MiB); a page built to blow the tree up is stopped at 32 times. A
    // 1 MiB page parses in well under 100 ms of processor time; markup nested
    // 100,000 deep would take the parser many seconds, and is stopped.
    GumboArena::Limits limits;
    const qint64 mebibytes = pageChars / (1 << 20) + 1;
    limits.cpuMilliseconds = 1000 + 250 * mebibytes;
    limits.memoryBytes = (qint64(256) + 32 * mebibytes) << 20;
    return limits;
}

LinkProofResult LinkProof::examine(const QString& pageUrl, const QString& header, const QString& body,
                                   const MySites& sites, Scope scope)
{
    return examine(pageUrl, header, body, sites, scope, defaultLimits(body.size()));
}

LinkProofResult LinkProof::examine(const QString& pageUrl, const QString& header, const QString& body,
                                   const MySites& sites, Scope scope, const GumboArena::Limits& limits)
{
    Reading reading{pageUrl, {}, sites, scope, limits, {}};
    reading.headerDirectives.addHeaderBlock(header);
    reading.clock.start();
    const QByteArray utf8 = body.toUtf8();
    if (scope == Scope::MySites) {
        const bool everyAnchor = LinkScreen::linksEverywhere(pageUrl, sites) || PageSkeleton::hasBase(utf8);
        const PageSkeleton skeleton(utf8, sites, everyAnchor);
        // A page that cannot link to the sites is not parsed: no link, and
        // its signals do not matter then.
        if (!skeleton.mayLink())
            return {};
        bool cut = false;
        LinkProofResult result = read(HtmlTree(skeleton, limits), reading, &cut);
        if (!cut)
            return result;
        // A page that leaves a link open where the skeleton cut words (the
        // parser carries an unclosed link on past its end tag in odd
        // markup): the link's text is read from the whole page.
    }
    bool cut = false;
    return read(HtmlTree(utf8, limits), reading, &cut);
}
