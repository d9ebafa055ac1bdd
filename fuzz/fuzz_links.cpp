// unwrapEmbeddedUrl and the rule of the typed address against literal
// implementations of their rules, and the harvest's de-duplication.
#include "FuzzInput.h"
#include "filters/SortedListModel.h"
#include "links/LinkHarvester.h"
#include "links/LinkListOps.h"

#include <QSet>
#include <string>

namespace {

// Step by step as the rule is written: the text after the last "http://",
// unless an "ftp://" follows it; without "http://" the last "ftp://".
QString referenceUnwrap(const QString& text)
{
    const QString http = QStringLiteral("http://");
    const QString ftp = QStringLiteral("ftp://");
    QString rest = text;
    QString prefix;
    qsizetype at = text.lastIndexOf(http);
    if (at >= 0) {
        rest = text.mid(at + http.size());
        prefix = http;
    } else if ((at = text.lastIndexOf(ftp)) >= 0) {
        rest = text.mid(at + ftp.size());
        prefix = ftp;
    }
    const qsizetype inner = rest.lastIndexOf(ftp);
    if (inner >= 0)
        return rest.mid(inner);
    return prefix + rest;
}

bool referenceAccepts(const QString& text)
{
    const std::u16string s(reinterpret_cast<const char16_t*>(text.utf16()), size_t(text.size()));
    return !s.empty() && s > std::u16string(u"http://");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const FuzzInput in(data, size, 64);
    QStringList hrefs;
    for (int i = 0; i < in.partCount(); ++i)
        hrefs.append(FuzzInput::text(in.part(i), in.option(0)));

    for (const QString& href : hrefs) {
        if (LinkHarvester::unwrapEmbeddedUrl(href) != referenceUnwrap(href))
            fuzzFail("unwrapEmbeddedUrl", href);
        if (LinkListOps::acceptsTypedLink(href) != referenceAccepts(href))
            fuzzFail("acceptsTypedLink", href);
    }

    // The page's own anchors, or a frameset whose frames split the anchors.
    PageAnchors page;
    page.hasDocument = true;
    page.frameCount = in.options() >> 5;
    page.hrefs = hrefs;
    for (int f = 0; f < page.frameCount; ++f) {
        FrameAnchors frame;
        frame.readable = (in.options() >> (1 + f % 4)) & 1u;
        for (qsizetype i = f; i < hrefs.size(); i += page.frameCount)
            frame.hrefs.append(hrefs[i]);
        page.frames.append(frame);
    }
    const QStringList harvested = LinkHarvester::harvestPage(page);

    SortedListModel links;
    if (in.option(1))
        links.setEntries(hrefs.mid(0, 3));
    const QStringList before = links.entries();
    LinkListOps ops(links);
    ops.addHarvest(page);

    const QStringList& entries = links.entries();
    QSet<QString> folded;
    for (qsizetype i = 0; i < entries.size(); ++i) {
        if (i > 0 && SortedListModel::lessThan(entries[i], entries[i - 1]))
            fuzzFail("the link list is out of order");
        const QString key = entries[i].toCaseFolded();
        if (folded.contains(key) && entries.size() > 1)
            fuzzFail("a duplicate survived", entries[i]);
        folded.insert(key);
    }
    for (const QString& target : before + harvested)
        if (!folded.contains(target.toCaseFolded()))
            fuzzFail("a link was lost", target);

    if (in.partCount() > 1)
        ops.removeBadUrlMatches({hrefs.first()});
    return 0;
}
