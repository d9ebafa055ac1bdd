#include "shell/browser/BrowserPane.h"

#include "shell/browser/PictureButton.h"
#include "ui_BrowserPane.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QStandardPaths>
#include <QTimer>
#include <QWebEngineHistory>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineView>
#include <cmath>

namespace {

struct ButtonSpec
{
    const char* picture; // images/<picture>.bmp at rest, images/<picture>1.bmp pressed
    const char* fallback;
};

constexpr std::array<ButtonSpec, 5> buttonSpecs{{
    {"back", "Back"},
    {"forward", "Forward"},
    {"stop", "Stop"},
    {"refresh", "Refresh"},
    {"home", "Home"},
}};

// Design geometry of the fixed controls, in twips.
constexpr int ButtonSize = 480;
constexpr int ButtonTop = 60;
constexpr int ButtonLeft = 60;
constexpr int ButtonStep = 540;
constexpr int AddressLeft = 2820;
constexpr int AddressTop = 105;
constexpr int AddressWidth = 8400;
constexpr int AddressHeight = 390;

// Runs in an isolated world, so a page that redefines JSON or the DOM methods
// on its own globals cannot change what is read. Reading the document of a
// frame from another site throws; that frame is reported as unreadable.
const char* const anchorsScript = R"JS(
(function () {
  function anchorsOf(doc) {
    var out = [];
    var body = doc.body;
    if (!body) return out;
    var all = body.getElementsByTagName('*');
    for (var i = 0; i < all.length; ++i) {
      var e = all[i];
      if (String(e.tagName).toUpperCase() !== 'A') continue;
      var h = e.href;
      if (typeof h !== 'string') {
        // An SVG anchor: its target is an animated string, resolved here.
        var raw = e.getAttribute('href');
        if (raw === null) raw = e.getAttributeNS('http://www.w3.org/1999/xlink', 'href');
        try { h = raw === null ? '' : new URL(raw, doc.baseURI).href; } catch (x) { h = raw || ''; }
      }
      out.push(h);
    }
    return out;
  }
  var result = { hasDocument: !!document.documentElement, hrefs: [], frameCount: 0, frames: [] };
  try { result.hrefs = anchorsOf(document); } catch (x) { result.hrefs = []; }
  var n = 0;
  try { n = window.top.frames.length; } catch (x) { n = 0; }
  result.frameCount = n;
  for (var i = 0; i < n; ++i) {
    try {
      result.frames.push({ readable: true, hrefs: anchorsOf(window.top.frames[i].document) });
    } catch (x) {
      result.frames.push({ readable: false, hrefs: [] });
    }
  }
  return JSON.stringify(result);
})()
)JS";

int toPixels(int twips, double twipsPerPixel)
{
    return int(std::lround(twips / twipsPerPixel));
}

QStringList stringList(const QJsonValue& value)
{
    QStringList out;
    const QJsonArray array = value.toArray();
    out.reserve(array.size());
    for (const QJsonValue& v : array)
        out.append(v.toString());
    return out;
}

} // namespace

std::unique_ptr<QWebEngineProfile> BrowserPane::createProfile()
{
    // Cookies and cache live in the user's cache folder. Not the data folder:
    // an installed copy keeps its program folder there, and the profile would
    // then show up among the user's own files in "Save links".
    const QString base = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    // The web engine writes one settings file of the profile into the user's
    // data folder for the application's name as the profile is made, before
    // any other place can be given. For that moment the application goes by
    // another name, so the file lands beside the data folder, not in it.
    const QString name = QCoreApplication::applicationName();
    QCoreApplication::setApplicationName(name + QStringLiteral("-browser"));
    auto profile = std::make_unique<QWebEngineProfile>(QStringLiteral("Quillmark"));
    QCoreApplication::setApplicationName(name);
    profile->setPersistentStoragePath(base + QStringLiteral("/browser"));
    profile->setCachePath(base + QStringLiteral("/browser-cache"));
    profile->setHttpCacheType(QWebEngineProfile::DiskHttpCache);
    profile->setPersistentCookiesPolicy(QWebEngineProfile::AllowPersistentCookies);
    return profile;
}

BrowserPane::BrowserPane(QWebEngineProfile& profile, const ProgramFolder& folder, QWidget* parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::BrowserPane>()), m_folder(folder)
{
    m_ui->setupUi(this);
    m_ui->web->setPage(new QWebEnginePage(&profile, m_ui->web));

    m_buttons = {m_ui->Image1, m_ui->Image2, m_ui->Image4, m_ui->Image5, m_ui->Image6};
    for (size_t i = 0; i < m_buttons.size(); ++i) {
        const QString name = QString::fromLatin1(buttonSpecs[i].picture);
        m_buttons[i]->setPictureFiles(
            m_folder.filePath(QStringLiteral("images/") + name + QStringLiteral(".bmp")),
            m_folder.filePath(QStringLiteral("images/") + name + QStringLiteral("1.bmp")));
        m_buttons[i]->setFallbackText(QString::fromLatin1(buttonSpecs[i].fallback));
        m_buttons[i]->setAccessibleName(QString::fromLatin1(buttonSpecs[i].fallback));
    }
    connect(m_ui->Image1, &PictureButton::clicked, this, &BrowserPane::goBack);
    connect(m_ui->Image2, &PictureButton::clicked, this, &BrowserPane::goForward);
    connect(m_ui->Image4, &PictureButton::clicked, this, &BrowserPane::stop);
    connect(m_ui->Image5, &PictureButton::clicked, this, &BrowserPane::reload);
    connect(m_ui->Image6, &PictureButton::clicked, this, &BrowserPane::goHome);

    connect(m_ui->cmbAddress->lineEdit(), &QLineEdit::returnPressed, this, &BrowserPane::onAddressReturn);
    connect(m_ui->web, &QWebEngineView::loadFinished, this, &BrowserPane::onLoadFinished);
    // A read of the anchors is about the page it was asked of: a new page, or
    // a renderer that died, will never answer it. The engine says nothing of
    // a navigation that starts while a page is still loading (the usual case
    // for a page whose script never ends), so the navigation commands below
    // end the reads themselves too.
    connect(m_ui->web, &QWebEngineView::loadStarted, this, &BrowserPane::cancelReads);
    connect(m_ui->web, &QWebEngineView::renderProcessTerminated, this, &BrowserPane::cancelReads);

    placeControls(1440.0 / logicalDpiX(), 1440.0 / logicalDpiY());
}

BrowserPane::~BrowserPane()
{
    // A read still waiting for the engine gets its answer now: nothing.
    cancelReads();
    *m_alive = false;
}

QUrl BrowserPane::homeUrl() const
{
    const QString start = m_folder.filePath(QStringLiteral("start.html"));
    if (!QFileInfo::exists(start))
        return QUrl(QStringLiteral("about:blank"));
    return QUrl::fromLocalFile(start);
}

QUrl BrowserPane::addressFromText(const QString& text)
{
    static const QStringList knownSchemes = {
        QStringLiteral("http"), QStringLiteral("https"),       QStringLiteral("ftp"),
        QStringLiteral("file"), QStringLiteral("about"),       QStringLiteral("data"),
        QStringLiteral("blob"), QStringLiteral("view-source"),
    };
    const QUrl typed(text, QUrl::TolerantMode);
    if (typed.isValid() && knownSchemes.contains(typed.scheme().toLower()))
        return typed;
    return QUrl::fromUserInput(text);
}

void BrowserPane::placeControls(double twipsPerPixelX, double twipsPerPixelY)
{
    for (size_t i = 0; i < m_buttons.size(); ++i) {
        m_buttons[i]->setGeometry(toPixels(ButtonLeft + int(i) * ButtonStep, twipsPerPixelX),
                                  toPixels(ButtonTop, twipsPerPixelY), toPixels(ButtonSize, twipsPerPixelX),
                                  toPixels(ButtonSize, twipsPerPixelY));
    }
    m_ui->cmbAddress->setGeometry(toPixels(AddressLeft, twipsPerPixelX), toPixels(AddressTop, twipsPerPixelY),
                                  toPixels(AddressWidth, twipsPerPixelX),
                                  toPixels(AddressHeight, twipsPerPixelY));
}

void BrowserPane::loadPictures()
{
    for (PictureButton* button : m_buttons)
        button->loadAtRest();
}

void BrowserPane::navigateTyped(const QString& text)
{
    if (text.trimmed().isEmpty())
        return;
    cancelReads();
    m_ui->web->setUrl(addressFromText(text));
}

void BrowserPane::navigate(const QString& address)
{
    navigateTyped(address);
}

void BrowserPane::navigateToUrl(const QUrl& url)
{
    cancelReads();
    m_ui->web->setUrl(url);
}

void BrowserPane::goBack()
{
    if (!m_ui->web->history()->canGoBack())
        return;
    cancelReads();
    m_ui->web->back();
}

void BrowserPane::goForward()
{
    if (!m_ui->web->history()->canGoForward())
        return;
    cancelReads();
    m_ui->web->forward();
}

void BrowserPane::stop()
{
    m_ui->web->stop();
}

void BrowserPane::reload()
{
    cancelReads();
    m_ui->web->reload();
}

void BrowserPane::goHome()
{
    cancelReads();
    m_ui->web->setUrl(homeUrl());
}

QString BrowserPane::title() const
{
    return m_ui->web->title();
}

QString BrowserPane::locationUrl() const
{
    return m_ui->web->url().toString();
}

QWebEngineView* BrowserPane::view() const
{
    return m_ui->web;
}

QComboBox* BrowserPane::addressBox() const
{
    return m_ui->cmbAddress;
}

PictureButton* BrowserPane::pictureButton(int index) const
{
    return index >= 0 && index < int(m_buttons.size()) ? m_buttons[size_t(index)] : nullptr;
}

void BrowserPane::onAddressReturn()
{
    navigateTyped(m_ui->cmbAddress->currentText());
}

void BrowserPane::onLoadFinished()
{
    // Read from the browser as a whole: a frame finishing after its page
    // rewrites the same top-level address and title.
    m_ui->cmbAddress->setEditText(locationUrl());
    Q_EMIT documentComplete(title());
}

void BrowserPane::readAnchors(QObject* context, std::function<void(const PageAnchors&)> done)
{
    const quint64 id = m_nextReadId++;
    m_pendingReads.insert(id, PendingRead{context ? context : QCoreApplication::instance(), std::move(done)});
    std::weak_ptr<bool> alive = m_alive;
    m_ui->web->page()->runJavaScript(QString::fromUtf8(anchorsScript), QWebEngineScript::ApplicationWorld,
                                     [this, alive, id](const QVariant& result) {
                                         const auto live = alive.lock();
                                         if (live && *live)
                                             finishRead(id, parseAnchors(result));
                                     });
    // A page whose script never gives the renderer back would never answer;
    // after the bound the read ends with nothing, and a late answer finds no
    // read left to finish.
    QTimer::singleShot(m_readTimeoutMs, this, [this, id] { finishRead(id, PageAnchors{}); });
}

void BrowserPane::cancelReads()
{
    const QList<quint64> ids = m_pendingReads.keys();
    for (quint64 id : ids)
        finishRead(id, PageAnchors{});
}

void BrowserPane::finishRead(quint64 id, const PageAnchors& anchors)
{
    PendingRead pending = m_pendingReads.take(id);
    if (!pending.done || !pending.context)
        return;
    QMetaObject::invokeMethod(
        pending.context, [done = std::move(pending.done), anchors] { done(anchors); }, Qt::QueuedConnection);
}

PageAnchors BrowserPane::parseAnchors(const QVariant& scriptResult)
{
    PageAnchors anchors;
    const QJsonDocument json = QJsonDocument::fromJson(scriptResult.toString().toUtf8());
    if (!json.isObject())
        return anchors;
    const QJsonObject root = json.object();
    anchors.hasDocument = root.value(QStringLiteral("hasDocument")).toBool();
    anchors.hrefs = stringList(root.value(QStringLiteral("hrefs")));
    const QJsonArray frames = root.value(QStringLiteral("frames")).toArray();
    anchors.frameCount = qMax(0, root.value(QStringLiteral("frameCount")).toInt());
    anchors.frames.resize(anchors.frameCount);
    for (int i = 0; i < anchors.frameCount && i < frames.size(); ++i) {
        const QJsonObject frame = frames.at(i).toObject();
        anchors.frames[i].readable = frame.value(QStringLiteral("readable")).toBool();
        anchors.frames[i].hrefs = stringList(frame.value(QStringLiteral("hrefs")));
    }
    return anchors;
}
