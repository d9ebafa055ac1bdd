#include "render/RequestWatch.h"

#include <QDeadlineTimer>

RequestWatch::RequestWatch(QObject* parent) : QWebEngineUrlRequestInterceptor(parent) {}

void RequestWatch::interceptRequest(QWebEngineUrlRequestInfo& info)
{
    switch (info.resourceType()) {
    case QWebEngineUrlRequestInfo::ResourceTypeImage:
    case QWebEngineUrlRequestInfo::ResourceTypeFavicon:
    case QWebEngineUrlRequestInfo::ResourceTypeFontResource:
    case QWebEngineUrlRequestInfo::ResourceTypeMedia:
    case QWebEngineUrlRequestInfo::ResourceTypeObject:
    case QWebEngineUrlRequestInfo::ResourceTypePluginResource:
    case QWebEngineUrlRequestInfo::ResourceTypePing:
    case QWebEngineUrlRequestInfo::ResourceTypeCspReport:
    case QWebEngineUrlRequestInfo::ResourceTypePrefetch:
        info.block(true);
        return;
    default:
        break;
    }
    m_lastStartMs.store(QDeadlineTimer::current().deadline(), std::memory_order_relaxed);
    m_letThrough.fetch_add(1, std::memory_order_relaxed);
}
