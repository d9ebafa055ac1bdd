#include "BatchProbe.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <sys/resource.h>

namespace {

// VmHWM of a running process in KiB: the high-water mark of its resident set,
// kept by the kernel, so a poll cannot miss a short peak that came before it.
qint64 highWaterMarkKiB(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return 0;
}

} // namespace

QString BatchProbe::program()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/quillmark-batch");
}

bool BatchProbe::seedFolder(const QString& folder)
{
    const QString data = qEnvironmentVariable("QM_TEST_SOURCE_DIR") + QStringLiteral("/data/");
    for (const char* name : {"links.ini", "headers.txt", "badwords.txt", "baddomains.txt"}) {
        const QString target = QDir(folder).filePath(QString::fromLatin1(name));
        QFile::remove(target);
        if (!QFile::copy(data + QString::fromLatin1(name), target))
            return false;
    }
    return true;
}

bool BatchProbe::writeLinks(const QString& path, const QStringList& urls)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return file.write(urls.join(QStringLiteral("\r\n")).toUtf8() + "\r\n") > 0;
}

bool BatchProbe::run(const QStringList& arguments, int timeoutMs)
{
    QProcess process;
    process.setProgram(program());
    process.setArguments(arguments);
    process.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer clock;
    clock.start();
    process.start();
    if (!process.waitForStarted(10000))
        return false;
    const qint64 pid = process.processId();
    bool finished = false;
    while (!finished && clock.elapsed() < timeoutMs) {
        finished = process.waitForFinished(50);
        if (!finished)
            m_peakRssKiB = qMax(m_peakRssKiB, highWaterMarkKiB(pid));
        takeMessages(process.readAllStandardError(), clock.elapsed());
    }
    if (!finished) {
        process.kill();
        process.waitForFinished(5000);
    }
    m_elapsedMs = clock.elapsed();
    takeMessages(process.readAllStandardError() + '\n', m_elapsedMs);
    if (!m_turns.isEmpty() && m_turns.last().durationMs == 0)
        m_turns.last().durationMs = m_elapsedMs - m_turns.last().startMs;
    // The kernel's own figure for the children this process has waited for
    // covers the last moments, which polling may not see.
    rusage usage{};
    if (getrusage(RUSAGE_CHILDREN, &usage) == 0)
        m_peakRssKiB = qMax(m_peakRssKiB, qint64(usage.ru_maxrss));
    m_normalExit = finished && process.exitStatus() == QProcess::NormalExit;
    m_exitCode = process.exitCode();
    return finished;
}

void BatchProbe::takeMessages(const QByteArray& bytes, qint64 atMs)
{
    m_partialLine += bytes;
    qsizetype end;
    while ((end = m_partialLine.indexOf('\n')) >= 0) {
        const QString line = QString::fromLocal8Bit(m_partialLine.left(end));
        m_partialLine.remove(0, end + 1);
        m_messages += line + u'\n';
        static const QString processing = QStringLiteral(" Processing: ");
        if (line.startsWith(processing)) {
            if (!m_turns.isEmpty())
                m_turns.last().durationMs = atMs - m_turns.last().startMs;
            m_turns.append({line.mid(processing.size()), atMs, 0});
        } else if (line == QLatin1String(" Done!") && !m_turns.isEmpty()) {
            m_turns.last().durationMs = atMs - m_turns.last().startMs;
        }
    }
}
