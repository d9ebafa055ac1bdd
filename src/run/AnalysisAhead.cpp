#include "run/AnalysisAhead.h"

#include "pattern/PatternEngine.h"

#include <QMetaObject>
#include <QThread>

AnalysisAhead::AnalysisAhead(QObject* parent) : QObject(parent)
{
    // The window's thread has work of its own; the rest share the pages.
    m_workers.setMaxThreadCount(qMax(1, QThread::idealThreadCount()));
}

AnalysisAhead::~AnalysisAhead()
{
    dropAllBut(0);
    m_workers.waitForDone();
}

void AnalysisAhead::start(int index, PageJob job)
{
    Piece& piece = m_pieces[index];
    piece.job.cancelled->store(true); // an earlier analysis of the entry
    job.cancelled = std::make_shared<std::atomic<bool>>(false);
    piece.serial = ++m_lastSerial;
    piece.job = job;
    piece.result.reset();
    const quint64 serial = piece.serial;
    // The worker reads only its copy of the job; this object waits for it
    // before it goes, and a late answer for a dropped entry is ignored.
    m_workers.start([this, index, serial, job = std::move(job)]() mutable {
        job.engine = takeEngine();
        PageJobResult result = job.run();
        giveBack(std::move(job.engine));
        result.fetch = FetchResult(); // the page stays with the fetches ahead
        QMetaObject::invokeMethod(
            this,
            [this, index, serial, result = std::move(result)]() mutable {
                onDone(index, serial, std::move(result));
            },
            Qt::QueuedConnection);
    });
}

void AnalysisAhead::onDone(int index, quint64 serial, PageJobResult result)
{
    const auto it = m_pieces.find(index);
    if (it == m_pieces.end() || it->serial != serial)
        return;
    it->result = std::move(result);
}

std::optional<PageJobResult> AnalysisAhead::take(int index, const PageJob& now)
{
    const auto it = m_pieces.find(index);
    if (it == m_pieces.end())
        return std::nullopt;
    std::optional<PageJobResult> result;
    if (it->result && !it->result->abandoned && sameWork(it->job, now)) {
        result = std::move(it->result);
        result->fetch = *now.page;
    }
    it->job.cancelled->store(true);
    m_pieces.erase(it);
    return result;
}

void AnalysisAhead::dropAllBut(int keep)
{
    for (auto it = m_pieces.begin(); it != m_pieces.end();) {
        if (it.key() == keep) {
            ++it;
            continue;
        }
        it->job.cancelled->store(true);
        it = m_pieces.erase(it);
    }
}

// Everything the analysis of a page reads.
bool AnalysisAhead::sameWork(const PageJob& a, const PageJob& b)
{
    return a.page && b.page && a.url == b.url && a.settings == b.settings && a.badWords == b.badWords &&
           a.validStatus == b.validStatus && a.page->body == b.page->body && a.page->header == b.page->header;
}

std::shared_ptr<PatternEngine> AnalysisAhead::takeEngine()
{
    const std::lock_guard lock(m_enginesLock);
    if (m_engines.empty())
        return std::make_shared<PatternEngine>();
    std::shared_ptr<PatternEngine> engine = std::move(m_engines.back());
    m_engines.pop_back();
    return engine;
}

void AnalysisAhead::giveBack(std::shared_ptr<PatternEngine> engine)
{
    const std::lock_guard lock(m_enginesLock);
    m_engines.push_back(std::move(engine));
}
