#pragma once

#include <QString>

// Tells a run that is still going, in this or another process, from one that
// was interrupted: both have no end in the store. A journal holds a lock on one
// byte of a side file (at the run's id as offset) while it writes; the system
// drops the lock when the process ends, however it ends, so a run whose byte is
// free was interrupted. The locks belong to the open file, not to the process,
// so two journals of one process and a check from the same process see each
// other. The side file stays empty.
class RunLiveness
{
public:
    explicit RunLiveness(const QString& storePath);
    ~RunLiveness();
    RunLiveness(const RunLiveness&) = delete;
    RunLiveness& operator=(const RunLiveness&) = delete;

    static QString sideFilePath(const QString& storePath);

    // Marks the run as going, for as long as this object lives (one run per
    // object). False when another journal holds it already, or when the side
    // file cannot be opened.
    bool hold(qint64 runId);
    // Whether some journal holds the run now. False when unknown.
    bool isLive(qint64 runId);

private:
    bool openFile();

    QString m_path;
    int m_fd = -1;
    qint64 m_held = 0;
};
