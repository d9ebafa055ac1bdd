#include "run/RunJournalFeed.h"

#include "run/BatchRun.h"
#include "run/LinkBackRecord.h"
#include "run/UrlOutcome.h"
#include "results/ResultsTable.h"
#include "store/RunJournal.h"
#include "store/RunStore.h"

#include <QDateTime>

namespace {

UrlRecord recordOf(const UrlOutcome& outcome)
{
    UrlRecord record;
    record.position = outcome.index;
    record.url = outcome.url;
    record.kind = outcome.kind == UrlOutcome::Kind::Accepted ? UrlRecord::Kind::Accepted
                  : outcome.kind == UrlOutcome::Kind::Failed ? UrlRecord::Kind::Failed
                                                             : UrlRecord::Kind::Refused;
    record.reason = outcome.reason();
    record.statusLine = outcome.statusLine;
    record.contentType = outcome.contentType;
    record.bytes = outcome.bytes;
    record.milliseconds = outcome.milliseconds;
    record.attempts = outcome.attempts;
    record.checkedAt = QDateTime::currentMSecsSinceEpoch();
    if (outcome.kind == UrlOutcome::Kind::Accepted)
        record.row = outcome.row;
    // A proved link back is kept too, so that a later re-check of the page
    // can tell what changed since this run.
    if (outcome.linkBack)
        record.linkBack = LinkBackRecord::fieldsOf(*outcome.linkBack);
    return record;
}

} // namespace

RunJournalFeed::RunJournalFeed(RunStore* store, BatchRun& run, std::function<QStringList()> listAtStart,
                               QObject* parent)
    : QObject(parent), m_store(store), m_run(run), m_listAtStart(std::move(listAtStart))
{
    connect(&m_run, &BatchRun::runningChanged, this, &RunJournalFeed::onRunningChanged);
    connect(&m_run, &BatchRun::outcomeAdded, this, &RunJournalFeed::onOutcome);
    connect(&m_run, &BatchRun::finished, this, &RunJournalFeed::onFinished);
}

// A journal still open here belongs to a run that did not end: it stays
// interrupted. Those ending are waited for, so their end is on disk.
RunJournalFeed::~RunJournalFeed() = default;

void RunJournalFeed::setListSource(const QString& listPath, const QString& listHash)
{
    m_listPath = listPath;
    m_listHash = listHash;
}

void RunJournalFeed::onRunningChanged(bool running)
{
    if (!running)
        return;
    const qint64 resumeId = std::exchange(m_resumeId, 0);
    dropJournal();
    m_runId = 0;
    if (!m_store || !m_store->isAvailable() || !m_enabled)
        return;
    if (resumeId > 0) {
        m_journal = m_store->resumeRun(resumeId);
    } else {
        RunRecord record;
        record.listPath = m_listPath;
        record.listHash = m_listHash;
        m_journal = m_store->beginRun(record, m_listAtStart());
    }
    if (!m_journal)
        return;
    m_runId = resumeId;
    connect(m_journal.get(), &RunJournal::began, this, [this](qint64 id) { m_runId = id; });
    connect(m_journal.get(), &RunJournal::failed, this, &RunJournalFeed::failed);
}

void RunJournalFeed::onOutcome(const UrlOutcome& outcome)
{
    if (m_journal && outcome.kind != UrlOutcome::Kind::NotReached)
        m_journal->record(recordOf(outcome));
}

void RunJournalFeed::onFinished()
{
    if (!m_journal)
        return;
    m_journal->finish(m_run.ending() == BatchRun::Ending::Stopped ? RunRecord::Ending::Stopped
                                                                  : RunRecord::Ending::Done);
    dropJournal();
}

// The journal's writer ends on its own thread; destroying it here would make
// the window wait for the last commit, so it goes once its end is written.
void RunJournalFeed::dropJournal()
{
    if (!m_journal)
        return;
    RunJournal* journal = m_journal.get();
    m_ending.push_back(std::move(m_journal));
    auto release = [this, journal] {
        std::erase_if(m_ending, [journal](const std::unique_ptr<RunJournal>& j) { return j.get() == journal; });
    };
    connect(journal, &RunJournal::ended, this, release, Qt::QueuedConnection);
    connect(journal, &RunJournal::failed, this, release, Qt::QueuedConnection);
}

void RunJournalFeed::putRowsBack(ResultsTable& table, const QVector<UrlRecord>& rows)
{
    // A new run starts from the header and, below the rows it inserts, the
    // one empty row the table may have had; the rows go in above it.
    table.resetForRun();
    QVector<ResultsTable::Row> back;
    back.reserve(rows.size() + 1);
    for (const UrlRecord& r : rows)
        back.append(ResultsTable::cellsOf(r.row));
    if (table.tableRowCount() > 1)
        back.append(ResultsTable::Row());
    table.replaceDataRows(std::move(back));
    table.setModified(!rows.isEmpty());
}
