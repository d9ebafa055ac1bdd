#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// Runs quillmark-batch as a child process and watches it from outside: when
// each URL's turn began and how long it took, the child's peak resident
// memory, its messages and its exit.
class BatchProbe
{
public:
    struct UrlTurn
    {
        QString url;
        qint64 startMs = 0;
        qint64 durationMs = 0; // until the next URL's turn or the end of the run
    };

    // The quillmark-batch next to the test executable.
    static QString program();
    // A program folder as a first start has it: the shipped links.ini,
    // headers.txt and list files, copied from the source tree's data folder.
    static bool seedFolder(const QString& folder);
    // Writes one URL a line.
    static bool writeLinks(const QString& path, const QStringList& urls);

    // Runs to the end; false when it had to be killed after timeoutMs.
    bool run(const QStringList& arguments, int timeoutMs);

    bool finishedNormally() const { return m_normalExit; }
    int exitCode() const { return m_exitCode; }
    qint64 elapsedMs() const { return m_elapsedMs; }
    qint64 peakRssKiB() const { return m_peakRssKiB; }
    const QList<UrlTurn>& turns() const { return m_turns; }
    const QString& messages() const { return m_messages; }

private:
    void takeMessages(const QByteArray& bytes, qint64 atMs);

    bool m_normalExit = false;
    int m_exitCode = -1;
    qint64 m_elapsedMs = 0;
    qint64 m_peakRssKiB = 0;
    QList<UrlTurn> m_turns;
    QString m_messages;
    QByteArray m_partialLine;
};
