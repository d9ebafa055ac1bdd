#pragma once

#include "store/RunJournal.h"
#include "store/RunLiveness.h"
#include "store/RunRecord.h"
#include "store/SqliteConnection.h"
#include "store/StoreQueries.h"
#include "store/UrlRecord.h"

#include <QString>
#include <QStringList>
#include <memory>

// The run journal of a program folder: one SQLite file that remembers every
// run, its list and what came of each URL, so that a run survives the end of
// the program and can be resumed, its rows put back, its failures retried, and
// a URL's last check shown. The window and quillmark-batch may use one store at
// once, each with runs of its own.
//
// Opening never fails the program: a store that cannot be used leaves
// isAvailable() false and the program runs without a journal; message() then
// says once why (and also when a damaged file was moved aside for a new one).
// Used from one thread, the owner's; each run's journal writes on its own.
class RunStore
{
public:
    static constexpr char FileName[] = "runs.sqlite";
    static constexpr int DefaultKeepRuns = 50;
    // Long enough to wait out another program's commit, short enough that a
    // store someone keeps locked does not hold up the start.
    static constexpr int DefaultBusyTimeoutMs = 2000;

    struct Options
    {
        int keepRuns = DefaultKeepRuns; // runs kept; older ones go when a run begins
        int busyTimeoutMs = DefaultBusyTimeoutMs;
    };

    explicit RunStore(const QString& path, const Options& options);
    explicit RunStore(const QString& path) : RunStore(path, Options()) {}

    const QString& path() const { return m_path; }
    bool isAvailable() const { return m_db.isOpen(); }
    // Empty when the store opened as it was; else one sentence for the user.
    const QString& message() const { return m_message; }

    // A journal for a new run over urls (the list as it is now), or none when
    // the store is not available. The caller gives listPath, listHash and
    // context in run; the rest is the store's.
    std::unique_ptr<RunJournal> beginRun(const RunRecord& run, const QStringList& urls);
    // A journal that records the rest of the interrupted run runId: the caller
    // goes on at resumePosition() with list() and records from there.
    std::unique_ptr<RunJournal> resumeRun(qint64 runId);

    // The queries; see StoreQueries. Empty answers when not available.
    const StoreQueries& queries() const { return m_queries; }

    // A hash of a list file's bytes, to tell whether the file changed since a run.
    static QString hashOfList(const QByteArray& fileBytes);

private:
    QString m_path;
    Options m_options;
    QString m_message;
    SqliteConnection m_db;
    RunLiveness m_liveness;
    StoreQueries m_queries;
};
