#include "BatchJournal.h"

#include "run/BatchRun.h"
#include "run/RunJournalFeed.h"
#include "store/RunStore.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

namespace {

QString canonical(const QString& file)
{
    const QString path = QFileInfo(file).canonicalFilePath();
    return path.isEmpty() ? QFileInfo(file).absoluteFilePath() : path;
}

QString when(qint64 ms)
{
    return QDateTime::fromMSecsSinceEpoch(ms).toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}

} // namespace

BatchJournal::BatchJournal(const QString& folder, int keepRuns)
{
    RunStore::Options options;
    options.keepRuns = keepRuns;
    m_store = std::make_unique<RunStore>(QDir(folder).filePath(QString::fromLatin1(RunStore::FileName)), options);
}

// The feed goes first: its journals finish writing before the store closes.
BatchJournal::~BatchJournal()
{
    m_feed.reset();
}

QString BatchJournal::storeMessage() const
{
    return m_store->message();
}

BatchJournal::Plan BatchJournal::fresh(const QString& linksFile, const QByteArray& bytes, const QStringList& urls)
{
    m_listPath = canonical(linksFile);
    m_listHash = RunStore::hashOfList(bytes);
    Plan plan;
    plan.urls = urls;
    return plan;
}

BatchJournal::Plan BatchJournal::resume(const QString& linksFile, const QByteArray& bytes, ResultsTable& table)
{
    Plan plan;
    const QString file = QDir::toNativeSeparators(linksFile);
    if (!m_store->isAvailable()) {
        plan.error = QStringLiteral("cannot resume: the run store cannot be used");
        return plan;
    }
    const std::optional<RunRecord> run = m_store->queries().lastRunOfList(canonical(linksFile));
    if (!run) {
        plan.error = QStringLiteral("cannot resume: no run of %1 is stored").arg(file);
        return plan;
    }
    if (run->live) {
        plan.error = QStringLiteral("cannot resume: the run of %1 is still going in another process").arg(file);
        return plan;
    }
    if (run->listHash != RunStore::hashOfList(bytes)) {
        plan.error = QStringLiteral("cannot resume: %1 has changed since its run of %2; "
                                    "run it anew without --resume")
                         .arg(file, when(run->startedAt));
        return plan;
    }
    if (run->ending == RunRecord::Ending::Done) {
        plan.error = QStringLiteral("cannot resume: the last run of %1 (%2) went through the whole list")
                         .arg(file, when(run->startedAt));
        return plan;
    }
    plan.resumeId = run->id;
    plan.urls = m_store->queries().list(run->id);
    plan.position = m_store->queries().resumePosition(run->id);
    const QVector<UrlRecord> rows = m_store->queries().rows(run->id);
    plan.rows = rows.isEmpty() ? 0 : rows.constLast().row.number;
    RunJournalFeed::putRowsBack(table, rows);
    m_store->queries().settle(run->id);
    return plan;
}

BatchJournal::Plan BatchJournal::retryFailed(const QString& linksFile)
{
    Plan plan;
    const std::optional<RunRecord> run =
        m_store->isAvailable() ? m_store->queries().lastRunOfList(canonical(linksFile)) : std::nullopt;
    if (!run) {
        plan.error = QStringLiteral("cannot retry: no run of %1 is stored").arg(QDir::toNativeSeparators(linksFile));
        return plan;
    }
    plan.urls = m_store->queries().failedUrls(run->id);
    // A retry is a run of its own, over no file: the file's next --resume or
    // --retry-failed still means the run over the whole file.
    m_listPath.clear();
    m_listHash.clear();
    return plan;
}

void BatchJournal::attach(BatchRun& run, const Plan& plan, std::function<void(const QString&)> report)
{
    const QStringList urls = plan.urls;
    m_feed = std::make_unique<RunJournalFeed>(m_store.get(), run, [urls] { return urls; });
    m_feed->setListSource(m_listPath, m_listHash);
    if (plan.resumeId > 0)
        m_feed->resumeNext(plan.resumeId);
    QObject::connect(m_feed.get(), &RunJournalFeed::failed, m_feed.get(), std::move(report));
}
