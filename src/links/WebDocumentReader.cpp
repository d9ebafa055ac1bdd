#include "links/WebDocumentReader.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QWebEnginePage>
#include <QWebEngineScript>

namespace {

QStringList toStrings(const QJsonArray& array)
{
    QStringList out;
    out.reserve(array.size());
    for (const QJsonValue& value : array)
        out.append(value.toString());
    return out;
}

// Delivers the answer through the context's event loop, also when it is known
// at once, so callers never see their callback run inside readAnchors().
void deliverLater(QObject* context, std::function<void(const PageAnchors&)> done, PageAnchors anchors)
{
    QMetaObject::invokeMethod(
        context, [done = std::move(done), anchors = std::move(anchors)] { done(anchors); },
        Qt::QueuedConnection);
}

} // namespace

WebDocumentReader::WebDocumentReader(QWebEnginePage* page) : m_page(page) {}

const QString& WebDocumentReader::script()
{
    // A frame from another origin throws on .document; an SVG <a> reports its
    // target as an animated string, resolved here the way the browser would.
    static const QString text = QStringLiteral(R"JS(
(function () {
    function targetOf(a) {
        var h = a.href;
        if (typeof h === 'string') return h;
        if (h && typeof h.baseVal === 'string') {
            if (h.baseVal === '') return '';
            try { return new URL(h.baseVal, a.ownerDocument.baseURI).href; } catch (e) { return h.baseVal; }
        }
        return '';
    }
    function anchorsOf(doc) {
        var out = [];
        var body = doc.body;
        if (!body) return out;
        var all = body.getElementsByTagName('*');
        for (var i = 0; i < all.length; ++i) {
            var el = all[i];
            if (String(el.tagName).toUpperCase() === 'A') out.push(targetOf(el));
        }
        return out;
    }
    var result = { hasDocument: false, frameCount: 0, hrefs: [], frames: [] };
    var doc = document;
    if (!doc) return JSON.stringify(result);
    result.hasDocument = true;
    try { result.hrefs = anchorsOf(doc); } catch (e) { result.hrefs = []; }
    var n = 0;
    var top = null;
    try { top = doc.defaultView.top; n = top.frames.length; } catch (e) { n = 0; }
    result.frameCount = n;
    for (var i = 0; i < n; ++i) {
        var frame = { readable: false, hrefs: [] };
        try {
            var fd = top.frames[i].document;
            if (fd) { frame.hrefs = anchorsOf(fd); frame.readable = true; }
        } catch (e) { frame.readable = false; frame.hrefs = []; }
        result.frames.push(frame);
    }
    return JSON.stringify(result);
})()
)JS");
    return text;
}

PageAnchors WebDocumentReader::parseAnswer(const QString& json)
{
    PageAnchors anchors;
    const QJsonDocument doc = QJsonDocument::fromJson(json.toUtf8());
    if (!doc.isObject())
        return anchors;
    const QJsonObject root = doc.object();
    anchors.hasDocument = root.value(QStringLiteral("hasDocument")).toBool();
    if (!anchors.hasDocument)
        return anchors;
    anchors.hrefs = toStrings(root.value(QStringLiteral("hrefs")).toArray());
    const QJsonArray frames = root.value(QStringLiteral("frames")).toArray();
    for (const QJsonValue& value : frames) {
        const QJsonObject frame = value.toObject();
        FrameAnchors f;
        f.readable = frame.value(QStringLiteral("readable")).toBool();
        if (f.readable)
            f.hrefs = toStrings(frame.value(QStringLiteral("hrefs")).toArray());
        anchors.frames.append(f);
    }
    // The count and the list come from one walk; trust the list so an index is
    // never out of range.
    anchors.frameCount = int(anchors.frames.size());
    return anchors;
}

void WebDocumentReader::readAnchors(QObject* context, std::function<void(const PageAnchors&)> done)
{
    if (!m_page) {
        deliverLater(context, std::move(done), PageAnchors());
        return;
    }
    QPointer<QObject> guard(context);
    m_page->runJavaScript(script(), QWebEngineScript::ApplicationWorld,
                          [guard, done = std::move(done)](const QVariant& answer) {
                              if (!guard)
                                  return;
                              done(parseAnswer(answer.toString()));
                          });
}
