#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

class QObject;

// A snapshot of what link harvesting needs from the document on screen: the
// anchors of the top document and of each of its frames, with their link
// targets as the browser resolved them.
struct FrameAnchors
{
    bool readable = false; // false for a frame whose document may not be read
    QStringList hrefs;     // every <a> inside the body, in document order; "" for no target
};

struct PageAnchors
{
    bool hasDocument = false;      // false when no HTML document is shown
    int frameCount = 0;            // frames of the topmost window, inline frames included
    QStringList hrefs;             // the current document's own anchors
    QVector<FrameAnchors> frames;  // one per frame, index 0..frameCount-1
};

// Implemented by the browser pane; a test can implement it with fixed data.
class DocumentSource
{
public:
    virtual ~DocumentSource() = default;
    // Reads the current document and calls done (on the caller's thread, through
    // the context object's event loop) exactly once. Never blocks. A page that
    // does not answer within a few seconds, or that goes away first (a new page
    // starts loading, its renderer dies), is answered with an empty snapshot.
    virtual void readAnchors(QObject* context, std::function<void(const PageAnchors&)> done) = 0;
};
