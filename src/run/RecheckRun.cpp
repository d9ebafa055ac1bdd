#include "run/RecheckRun.h"

#include "analysis/AcceptanceChecks.h"
#include "platform/AtomicFile.h"
#include "run/LinkBackRecord.h"
#include "run/RunReport.h"
#include "store/RunStore.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QtConcurrent/QtConcurrentRun>

namespace {

int statusOf(const QString& statusLine)
{
    return statusLine.section(u' ', 1, 1).toInt();
}

QString dateText(qint64 ms)
{
    return ms > 0 ? QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC).toString(Qt::ISODate) : QString();
}

} // namespace

RecheckRun::RecheckRun(const QStringList& urls, const LinkBackSetup& setup, RunStore* store,
                       const FetchOptions& options, QObject* parent)
    : QObject(parent), m_setup(setup), m_store(store), m_pool(nullptr, options), m_robots(options)
{
    for (const QString& url : urls) {
        RecheckLine line;
        line.index = int(m_lines.size()) + 1;
        line.url = url;
        m_lines.append(line);
    }
    connect(&m_pool, &FetchPool::finished, this, &RecheckRun::onFetched);
    connect(&m_robots, &RobotsLookup::settled, this, &RecheckRun::onRobotsSettled);
}

RecheckRun::~RecheckRun()
{
    // The proofs at work give up; the pool waits for them before the lines go.
    m_cancelled->store(true);
    m_provers.waitForDone();
    if (m_journal)
        m_journal->finish(m_running ? RunRecord::Ending::Stopped : RunRecord::Ending::Done);
}

void RecheckRun::setFetchLimits(const FetchLimits& limits)
{
    m_pool.setLimits(limits);
    m_robots.setLimits(limits);
}

void RecheckRun::start()
{
    if (m_running)
        return;
    m_running = true;
    m_done = 0;
    QStringList urls;
    for (RecheckLine& line : m_lines) {
        urls.append(line.url);
        // Read before this run records any check.
        if (m_store && m_store->isAvailable())
            findPrevious(line);
    }
    if (m_store && m_store->isAvailable()) {
        RunRecord record;
        record.context = QString::fromLatin1(StoreContext);
        // A re-check killed half-way is not a run to resume: the window does
        // not ask about it, and it has no list file for --resume to find.
        record.settled = true;
        m_journal = m_store->beginRun(record, urls);
    }
    Q_EMIT progressed(0, count());
    if (m_lines.isEmpty()) {
        m_running = false;
        Q_EMIT finished();
        return;
    }
    for (int i = 0; i < m_lines.size(); ++i)
        fetch(i);
}

void RecheckRun::findPrevious(RecheckLine& line) const
{
    // The last check that read the page: one that found it gone or got a
    // file says nothing about the link, so the one before it is asked for.
    qint64 beforeRun = 0;
    for (int step = 0; step < MaxChecksBack; ++step) {
        const auto check = m_store->queries().previousLinkBack(line.url, beforeRun);
        if (!check)
            return;
        const std::optional<LinkBackCheck> previous = LinkBackRecord::checkOf(check->record);
        if (previous && previous->read()) {
            line.previous = previous;
            line.previousCheckedAt = check->record.checkedAt;
            return;
        }
        beforeRun = check->runId;
    }
}

void RecheckRun::fetch(int i)
{
    ++m_lines[i].attempts;
    m_pool.enqueue(quint64(i), m_lines[i].url);
    // The host's robots.txt goes out with its first page, not after it.
    m_robots.want(m_lines[i].url);
}

void RecheckRun::onFetched(quint64 id, const FetchResult& result)
{
    const int i = int(id);
    if (i < 0 || i >= m_lines.size())
        return;
    Pending& page = m_pending[i];
    page = Pending{result, std::nullopt, false};
    if (!result.ok()) {
        tryDecide(i);
        return;
    }
    m_robots.want(LinkBackSetup::pageUrl(result));
    page.proving = true;
    auto* watcher = new QFutureWatcher<LinkProofResult>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, i] {
        onProved(i, watcher->result());
        watcher->deleteLater();
    });
    const LinkBackSetup setup = m_setup;
    const std::shared_ptr<std::atomic<bool>> flag = m_cancelled;
    watcher->setFuture(QtConcurrent::run(&m_provers, [setup, result, flag] {
        return setup.prove(result, [flag] { return flag->load(); }).value_or(LinkProofResult{});
    }));
}

void RecheckRun::onProved(int i, const LinkProofResult& proof)
{
    auto it = m_pending.find(i);
    if (it == m_pending.end())
        return;
    it->proof = proof;
    it->proving = false;
    tryDecide(i);
}

void RecheckRun::onRobotsSettled()
{
    const QList<int> waiting = m_pending.keys();
    for (int i : waiting)
        tryDecide(i);
}

void RecheckRun::tryDecide(int i)
{
    auto it = m_pending.find(i);
    if (it == m_pending.end())
        return;
    const Pending page = *it;
    const QString pageUrl = LinkBackSetup::pageUrl(page.fetch);
    if (page.fetch.ok() && (page.proving || !m_robots.isSettled(pageUrl)))
        return;
    m_pending.erase(it);
    const LinkBackVerdict verdict =
        page.proof ? LinkBackVerdict::decide(*page.proof, m_robots.ruling(pageUrl, m_setup.robotsAgent))
                   : LinkBackVerdict{};
    complete(i, verdict, page);
}

void RecheckRun::complete(int i, const LinkBackVerdict& verdict, const Pending& page)
{
    RecheckLine& line = m_lines[i];
    line.statusLine = HeaderStatusLine(page.fetch.header);
    // libcurl puts the time into some messages; without it the same failure
    // reads the same on every page.
    static const QRegularExpression elapsed(QStringLiteral(" after \\d+ ms(?=:|$)"));
    line.error = QString(page.fetch.error).remove(elapsed);
    line.today.reached = page.fetch.ok();
    line.today.status = page.fetch.ok() ? statusOf(line.statusLine) : 0;
    line.today.finalUrl = page.fetch.ok() ? LinkBackSetup::pageUrl(page.fetch) : QString();
    line.today.verdict = verdict.kind;
    line.evidence = verdict.evidence;
    line.change = LinkBackChanges::compare(line.previous, line.today);
    // A link that seems gone, or a host that seems down, may be a bad moment:
    // one more try before it is said.
    if (LinkBackChanges::needsSecondTry(line.change) && line.attempts < 2) {
        fetch(i);
        return;
    }
    journal(line, verdict, page);
    ++m_done;
    Q_EMIT progressed(m_done, count());
    if (m_done == count()) {
        m_running = false;
        if (m_journal)
            m_journal->finish(RunRecord::Ending::Done);
        Q_EMIT finished();
    }
}

void RecheckRun::journal(const RecheckLine& line, const LinkBackVerdict& verdict, const Pending& page)
{
    if (!m_journal)
        return;
    UrlRecord record;
    record.position = line.index;
    record.url = line.url;
    // A re-check makes no row: a page that answered is kept as refused, with
    // the change as its reason, so that no later step takes it for a row.
    record.kind = line.today.reached ? UrlRecord::Kind::Refused : UrlRecord::Kind::Failed;
    record.reason = line.today.reached ? LinkBackChanges::shownName(line.change, line.today) : line.error;
    record.statusLine = line.statusLine;
    record.contentType = HeaderContentType(page.fetch.header);
    record.bytes = page.fetch.bytes;
    record.milliseconds = page.fetch.milliseconds;
    record.attempts = line.attempts;
    // No answer proves nothing about the link: the last real check stays the
    // one the next re-check compares with.
    if (line.today.reached) {
        LinkBackVerdict kept = verdict;
        kept.finalUrl = line.today.finalUrl;
        record.linkBack = LinkBackRecord::fieldsOf(kept);
    }
    m_journal->record(record);
}

QVector<RecheckLine> RecheckRun::changesFirst() const
{
    QVector<RecheckLine> ordered;
    for (const RecheckLine& line : m_lines)
        if (LinkBackChanges::isChange(line.change))
            ordered.append(line);
    for (const RecheckLine& line : m_lines)
        if (!LinkBackChanges::isChange(line.change))
            ordered.append(line);
    return ordered;
}

QString RecheckRun::summary() const
{
    QList<LinkBackChange> changes;
    for (const RecheckLine& line : m_lines)
        changes.append(line.change);
    return LinkBackChanges::summary(changes);
}

bool RecheckRun::anyLost() const
{
    for (const RecheckLine& line : m_lines)
        if (line.change == LinkBackChange::Lost)
            return true;
    return false;
}

QByteArray RecheckRun::reportCsv() const
{
    QByteArray csv("url,change,link_back,previous_link_back,previous_checked,final_url,status_line,attempts,"
                   "link_back_evidence\r\n");
    for (const RecheckLine& line : m_lines) {
        const QString verdict = line.today.reached ? LinkBackVerdict::name(line.today.verdict) : QString();
        const QString previous = line.previous ? LinkBackVerdict::name(line.previous->verdict) : QString();
        const QStringList fields{RunReport::csvField(line.url),
                                 RunReport::csvField(LinkBackChanges::name(line.change)),
                                 RunReport::csvField(verdict),
                                 RunReport::csvField(previous),
                                 dateText(line.previous ? line.previousCheckedAt : 0),
                                 RunReport::csvField(line.today.finalUrl),
                                 RunReport::csvField(line.today.reached ? line.statusLine : line.error),
                                 QString::number(line.attempts),
                                 RunReport::csvField(line.evidence)};
        csv += fields.join(u',').toUtf8() + "\r\n";
    }
    return csv;
}

SaveOutcome RecheckRun::saveReport(const QString& path) const
{
    return AtomicFile::write(path, reportCsv());
}
