#pragma once

#include "platform/DocumentSource.h"

#include <QPointer>
#include <QString>

class QWebEnginePage;

// Reads the anchors of the page a QWebEnginePage shows, and of each of its
// frames, with one script run in the page. The script runs in an isolated
// world, so the page's own scripts cannot tamper with what it reports.
class WebDocumentReader : public DocumentSource
{
public:
    explicit WebDocumentReader(QWebEnginePage* page);

    void readAnchors(QObject* context, std::function<void(const PageAnchors&)> done) override;

    // The script's answer (JSON text) as a snapshot; anything unreadable gives
    // "no document".
    static PageAnchors parseAnswer(const QString& json);
    static const QString& script();

private:
    QPointer<QWebEnginePage> m_page;
};
