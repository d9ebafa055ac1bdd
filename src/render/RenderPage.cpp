#include "render/RenderPage.h"

RenderPage::RenderPage(QWebEngineProfile* profile, QObject* parent) : QWebEnginePage(profile, parent) {}

void RenderPage::javaScriptAlert(const QUrl&, const QString&) {}

bool RenderPage::javaScriptConfirm(const QUrl&, const QString&)
{
    return false;
}

bool RenderPage::javaScriptPrompt(const QUrl&, const QString&, const QString&, QString*)
{
    return false;
}

void RenderPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString&, int, const QString&)
{}

bool RenderPage::acceptNavigationRequest(const QUrl& url, NavigationType, bool)
{
    // Frames of about:blank, data: and blob: are the page's own making.
    static const QStringList kSchemes{QStringLiteral("http"), QStringLiteral("https"),
                                      QStringLiteral("about"), QStringLiteral("data"),
                                      QStringLiteral("blob")};
    return kSchemes.contains(url.scheme());
}
