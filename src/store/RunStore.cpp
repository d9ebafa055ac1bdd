#include "store/RunStore.h"

#include "store/StoreOpener.h"

#include <QCryptographicHash>

RunStore::RunStore(const QString& path, const Options& options)
    : m_path(path), m_options(options), m_liveness(path), m_queries(m_db, m_liveness)
{
    m_options.keepRuns = std::max(m_options.keepRuns, 1);
    m_message = StoreOpener::open(m_db, m_path, m_options.busyTimeoutMs).message;
}

std::unique_ptr<RunJournal> RunStore::beginRun(const RunRecord& run, const QStringList& urls)
{
    if (!isAvailable())
        return nullptr;
    return std::make_unique<RunJournal>(m_path, m_options.busyTimeoutMs, m_options.keepRuns, run, urls);
}

std::unique_ptr<RunJournal> RunStore::resumeRun(qint64 runId)
{
    if (!isAvailable())
        return nullptr;
    return std::make_unique<RunJournal>(m_path, m_options.busyTimeoutMs, runId);
}

QString RunStore::hashOfList(const QByteArray& fileBytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(fileBytes, QCryptographicHash::Sha256).toHex());
}
