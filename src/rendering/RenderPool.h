#pragma once

#include "rendering/RenderLimits.h"
#include "rendering/RenderProtocol.h"
#include "rendering/RenderResult.h"
#include "rendering/RendererProcess.h"

#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QUrl>

// Pages rendered by a browser engine, in quillmark-render processes beside
// this one, so that a program without a display (quillmark-batch) can read a
// page as a visitor's browser builds it. Requests wait in a queue for the
// first free renderer; each answer comes back as rendered(), in the order the
// pages finish.
//
// The processes start with the first request. A renderer is replaced after
// pagesPerRenderer pages or when its memory passes the bound between two
// pages; one that dies, hangs or grows over the bound during a page is killed
// and replaced, and that page fails ("render failed: ..."). When the program
// cannot be found or started, unavailable() says so once and every request
// fails at once.
class RenderPool : public QObject
{
    Q_OBJECT

public:
    struct Options
    {
        int renderers = 2;
        int pagesPerRenderer = 50;
        RendererProcess::Watch watch;
        QString program; // empty: findProgram()
    };

    explicit RenderPool(QObject* parent = nullptr);
    explicit RenderPool(const Options& options, QObject* parent = nullptr);
    ~RenderPool() override;

    // Queues a page; rendered() answers it with the id returned here, never
    // before this call has returned.
    quint64 render(const QUrl& url, const RenderLimits& limits = {});
    // Forgets a request: no rendered() for it. A page in a renderer's hands
    // is still rendered to its end, and its answer dropped.
    void cancel(quint64 id);

    // Requests not answered yet, those in the renderers' hands included.
    int outstanding() const { return int(m_queue.size() + m_inFlight.size()); }
    bool isAvailable() const { return m_unavailable.isEmpty(); }
    QString unavailableMessage() const { return m_unavailable; }
    // The renderers' process ids, for diagnostics.
    QList<qint64> rendererPids() const;

    // quillmark-render beside the running program, else on the PATH; empty
    // when neither has it.
    static QString findProgram();

signals:
    void rendered(quint64 id, const RenderResult& result);
    // Emitted once: the renderer cannot run here, and why, in one sentence.
    void unavailable(const QString& message);

private:
    struct Pending
    {
        RenderProtocol::Request request;
        RendererProcess* renderer = nullptr;
    };

    void dispatch();
    void startRenderer();
    void handleAnswer(RendererProcess* renderer, quint64 id, const RenderResult& result);
    void handleFailure(quint64 id, const QString& reason);
    void handleGone(RendererProcess* renderer, bool ownAccord, const QString& lastWords);
    void setUnavailable(const QString& message);
    void finish(quint64 id, RenderResult result);
    void failLater(const Pending& pending, const QString& reason);

    Options m_options;
    QString m_program;
    QString m_unavailable;
    quint64 m_nextId = 1;
    QList<Pending> m_queue;
    QList<Pending> m_inFlight;
    QSet<quint64> m_cancelled;
    QList<RendererProcess*> m_renderers;
    int m_failedStarts = 0;
};
