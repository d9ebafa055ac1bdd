#pragma once

#include <QWebEnginePage>

// A page with nobody in front of it: dialogs are answered at once as a
// visitor who closes them would, the console stays silent, and only web
// addresses are followed (a link to mailto: or another program's scheme
// would otherwise be handed to the desktop).
class RenderPage : public QWebEnginePage
{
    Q_OBJECT

public:
    RenderPage(QWebEngineProfile* profile, QObject* parent = nullptr);

protected:
    void javaScriptAlert(const QUrl& securityOrigin, const QString& msg) override;
    bool javaScriptConfirm(const QUrl& securityOrigin, const QString& msg) override;
    bool javaScriptPrompt(const QUrl& securityOrigin, const QString& msg, const QString& defaultValue,
                          QString* result) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message, int lineNumber,
                                  const QString& sourceID) override;
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
};
