#include "links/LinkHarvester.h"

QString LinkHarvester::unwrapEmbeddedUrl(const QString& href)
{
    static const QString http = QStringLiteral("http://");
    static const QString ftp = QStringLiteral("ftp://");

    const qsizetype lastHttp = href.lastIndexOf(http);
    const qsizetype lastFtp = href.lastIndexOf(ftp);
    // Whichever embedded address starts later wins; with neither the text is
    // returned as it came.
    const qsizetype start = std::max(lastHttp, lastFtp);
    if (start < 0)
        return href;
    return href.mid(start);
}

QStringList LinkHarvester::harvestDocument(const QStringList& hrefs)
{
    QStringList out;
    out.reserve(hrefs.size());
    for (const QString& href : hrefs)
        out.append(unwrapEmbeddedUrl(href));
    return out;
}

QStringList LinkHarvester::harvestPage(const PageAnchors& page)
{
    if (!page.hasDocument)
        return {};
    if (page.frameCount < 2)
        return harvestDocument(page.hrefs);

    QStringList out;
    for (int i = 0; i < page.frameCount && i < page.frames.size(); ++i) {
        const FrameAnchors& frame = page.frames.at(i);
        if (frame.readable)
            out.append(harvestDocument(frame.hrefs));
    }
    return out;
}
