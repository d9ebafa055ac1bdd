#pragma once

#include <QFutureWatcher>
#include <QObject>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>
#include <atomic>
#include <memory>
#include <utility>

// Work that runs off its owner's thread and answers on it: a thread pool of
// the owner's own, a watcher of the newest piece of work, and the flag that
// piece watches to give up early. When it goes, the newest piece is told to
// give up, its answer no longer reaches the owner, and every piece still on
// the pool is waited for, so that no work outlives what it reads. Declared
// after whatever its work reads, it goes before that.
template <class Result> class WorkerTask
{
public:
    using CancelFlag = std::shared_ptr<std::atomic<bool>>;

    // threads: how many pieces may run at once (0: as many as Qt sees fit).
    explicit WorkerTask(int threads = 0)
    {
        if (threads > 0)
            m_pool.setMaxThreadCount(threads);
    }
    ~WorkerTask()
    {
        cancel();
        m_watcher.disconnect();
        m_pool.waitForDone();
    }
    WorkerTask(const WorkerTask&) = delete;
    WorkerTask& operator=(const WorkerTask&) = delete;

    // finished is called on the owner's thread when the newest piece is done.
    template <class Owner> void onFinished(Owner* owner, void (Owner::*finished)())
    {
        QObject::connect(&m_watcher, &QFutureWatcherBase::finished, owner, finished);
    }

    // Runs work on the pool and watches its answer from now on; an earlier
    // piece still running goes on, unwatched. flag, if any, is the one work
    // watches.
    template <class Work> void start(Work&& work, CancelFlag flag = {})
    {
        m_flag = std::move(flag);
        m_watcher.setFuture(QtConcurrent::run(&m_pool, std::forward<Work>(work)));
    }
    // Tells the newest piece to give up; its answer still comes.
    void cancel()
    {
        if (m_flag)
            m_flag->store(true);
    }
    bool isFinished() const { return m_watcher.future().isFinished(); }
    // The newest piece's answer, once it is finished; its flag is let go.
    Result result()
    {
        m_flag.reset();
        return m_watcher.result();
    }

private:
    QThreadPool m_pool;
    QFutureWatcher<Result> m_watcher;
    CancelFlag m_flag;
};
