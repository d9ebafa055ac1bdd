#pragma once

#include "platform/DocumentSource.h"

#include <QString>
#include <QStringList>

// Turns the anchors of the page on screen into the texts "Get links" adds to the
// link list. Pure: it never touches the list, so the rules can be checked
// without a browser.
class LinkHarvester
{
public:
    // Cuts a link target so it starts at the later of its last "http://" and its
    // last "ftp://" (case-sensitive): a tracking link that carries the real
    // address in its query becomes that address. "https://" does not contain
    // "http://", so a secure link without an embedded address stays whole.
    static QString unwrapEmbeddedUrl(const QString& href);

    // The unwrapped targets of one document's anchors, in document order. Every
    // anchor counts, an empty target included: nothing is filtered here.
    static QStringList harvestDocument(const QStringList& hrefs);

    // Fewer than two frames: the page's own anchors. Two or more: each frame's
    // document in index order and not the page's own (a frameset's anchors are
    // navigation chrome, the frames carry the content); a frame that may not be
    // read adds nothing. No document: nothing.
    static QStringList harvestPage(const PageAnchors& page);
};
