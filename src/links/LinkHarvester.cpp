#include "links/LinkHarvester.h"

QString LinkHarvester::UnwrapEmbeddedUrl(const QString& href)
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

QStringList LinkHarvester::HarvestDocument(const QStringList& hrefs)
{
    QStringList out;
    out.reserve(hrefs.size());
    for (const QString& href : hrefs)
        out.append(UnwrapEmbeddedUrl(href));
    return out;
}

QStringList LinkHarvester::HarvestPage(const PageAnchors& page)
{
    if (!page.hasDocument)
        return {};
    if (page.frameCount < 2)
        return HarvestDocument(page.hrefs);

    QStringList out;
    for (int i = 0; i < page.frameCount && i < page.frames.size(); ++i) {
        const FrameAnchors& frame = page.frames.at(i);
        if (frame.readable)
            out.append(HarvestDocument(frame.hrefs));
    }
    return out;
}
