#pragma once

#include "render/RequestWatch.h"
#include "rendering/RenderProtocol.h"
#include "rendering/RenderResult.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <QWebEnginePage>
#include <memory>

class QWebEngineLoadingInfo;
class QWebEngineProfile;
class RenderPage;

// One request: the page loaded in a profile of its own, kept in memory and
// dropped with the request (no cookie or storage reaches the next partner),
// watched until it settles or its time is up, then read.
//
// Settled means: the last load finished and no request has started for the
// quiet time. The markup is then taken from an isolated script world, so a
// page cannot hide its links from the reader by redefining outerHTML.
class PageRender : public QObject
{
    Q_OBJECT

public:
    explicit PageRender(const RenderProtocol::Request& request, QObject* parent = nullptr);
    ~PageRender() override;

    void start();

signals:
    // Emitted once; the object may be deleted from then on.
    void finished(const RenderResult& result);

private:
    void handleLoading(const QWebEngineLoadingInfo& info);
    void handleTerminated(QWebEnginePage::RenderProcessTerminationStatus status, int exitCode);
    void checkSettled();
    void readMarkup(RenderEnd end);
    void takeMarkup(RenderEnd end, const QVariant& value);
    void finish(RenderEnd end, const QString& html, const QString& error);

    RenderProtocol::Request m_request;
    QElapsedTimer m_clock;
    // Declared in the order they may be destroyed backwards: the page before
    // its profile, the profile before the interceptor it calls.
    RequestWatch m_watch;
    std::unique_ptr<QWebEngineProfile> m_profile;
    std::unique_ptr<RenderPage> m_page;
    QTimer m_tick;
    QTimer m_deadline;
    QTimer m_readGuard;
    int m_loadsStarted = 0;
    int m_loadsEnded = 0;
    qint64 m_lastLoadEventMs = 0;
    int m_status = 0;
    bool m_reading = false;
    bool m_done = false;
};
