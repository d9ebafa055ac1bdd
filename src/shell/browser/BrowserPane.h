#pragma once

#include "platform/DocumentSource.h"
#include "settings/ProgramFolder.h"

#include <QHash>
#include <QPointer>
#include <QUrl>
#include <QWidget>
#include <array>
#include <memory>

class PictureButton;
class QComboBox;
class QWebEngineProfile;
class QWebEngineView;

namespace Ui {
class BrowserPane;
}

// The browser of the "1. Browse" area: the web view `web`, the address box and
// the five picture buttons. Other areas navigate it and read its document
// through this class; every browser command is fire-and-forget.
class BrowserPane : public QWidget, public DocumentSource
{
    Q_OBJECT

public:
    // The browser's profile: cookies, local storage and cache in the user's
    // cache folder, named by the application name. Never the program folder,
    // where the profile's files would sit among the user's own. It must
    // outlive every pane that uses it.
    static std::unique_ptr<QWebEngineProfile> createProfile();

    // How long a read of the page's anchors waits for the page before it is
    // answered with nothing.
    static constexpr int DefaultReadTimeoutMs = 5000;

    BrowserPane(QWebEngineProfile& profile, const ProgramFolder& folder, QWidget* parent = nullptr);
    ~BrowserPane() override;

    // The local start page in the program folder.
    QUrl homeUrl() const;

    // The address a typed text stands for: a text with a scheme the browser
    // knows is taken as it is; anything else (a bare host name, a path) is
    // completed the way a browser's address bar completes it.
    static QUrl addressFromText(const QString& text);

    // Loads the five pictures at rest from images/ in the program folder.
    void loadPictures();

    // Navigation: the address box's call and the older call used by the link
    // list; both take a text and ignore an empty one.
    void navigateTyped(const QString& text);
    void navigate(const QString& address);
    // A page the program itself names (a local file), taken as it is.
    void navigateToUrl(const QUrl& url);
    void goBack();
    void goForward();
    void stop();
    void reload();
    void goHome();

    QString title() const;       // the page title, as the browser reports it
    QString locationUrl() const; // the current address
    QWebEngineView* view() const;
    QComboBox* addressBox() const;
    PictureButton* pictureButton(int index) const; // 0..4: back, forward, stop, refresh, home

    void placeControls(double twipsPerPixelX, double twipsPerPixelY);

    void readAnchors(QObject* context, std::function<void(const PageAnchors&)> done) override;
    void setReadTimeout(int milliseconds) { m_readTimeoutMs = milliseconds; }

    // The anchors script's result, turned into a snapshot (exposed for tests).
    static PageAnchors parseAnchors(const QVariant& scriptResult);

Q_SIGNALS:
    // The browser reported a page (or one of its frames) complete; the address
    // box already shows the browser's current address.
    void documentComplete(const QString& title);

private:
    void onLoadFinished();
    void onAddressReturn();

    struct PendingRead
    {
        QPointer<QObject> context;
        std::function<void(const PageAnchors&)> done;
    };
    void finishRead(quint64 id, const PageAnchors& anchors);
    // Answers every read still waiting with nothing: the page it asked is gone.
    void cancelReads();

    std::unique_ptr<Ui::BrowserPane> m_ui;
    ProgramFolder m_folder;
    std::array<PictureButton*, 5> m_buttons{};
    QHash<quint64, PendingRead> m_pendingReads;
    quint64 m_nextReadId = 1;
    int m_readTimeoutMs = DefaultReadTimeoutMs;
    // Shared with the engine's callbacks, which may outlive the pane.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};
