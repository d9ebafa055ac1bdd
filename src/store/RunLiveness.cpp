#include "store/RunLiveness.h"

#include <QFile>
#include <fcntl.h>
#include <unistd.h>

RunLiveness::RunLiveness(const QString& storePath) : m_path(sideFilePath(storePath)) {}

RunLiveness::~RunLiveness()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

QString RunLiveness::sideFilePath(const QString& storePath)
{
    return storePath + QLatin1String(".live");
}

bool RunLiveness::openFile()
{
    if (m_fd < 0)
        m_fd = ::open(QFile::encodeName(m_path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    return m_fd >= 0;
}

static struct flock byteAt(qint64 runId, short type)
{
    struct flock lock = {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = off_t(runId);
    lock.l_len = 1;
    return lock;
}

bool RunLiveness::hold(qint64 runId)
{
    if (m_held != 0 || runId <= 0 || !openFile())
        return false;
    struct flock lock = byteAt(runId, F_WRLCK);
    if (::fcntl(m_fd, F_OFD_SETLK, &lock) != 0)
        return false;
    m_held = runId;
    return true;
}

bool RunLiveness::isLive(qint64 runId)
{
    if (runId <= 0 || !openFile())
        return false;
    // A lock this same open file holds does not conflict with the test, so a
    // RunLiveness that holds a run answers for it from what it knows.
    if (runId == m_held)
        return true;
    struct flock lock = byteAt(runId, F_WRLCK);
    if (::fcntl(m_fd, F_OFD_GETLK, &lock) != 0)
        return false;
    return lock.l_type != F_UNLCK;
}
