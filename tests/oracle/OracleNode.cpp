#include "OracleNode.h"

#include <QElapsedTimer>

namespace {

// Cases written before their answers are read. Small enough that the answers
// of a chunk fit the pipe while the next chunk is written.
constexpr qsizetype kChunk = 200;
// A chunk's answers take milliseconds, and node stops a case after a second
// itself; this long means node itself is stuck.
constexpr int kChunkTimeoutMs = 60000;
constexpr int kCaseTimeoutMs = 5000;

} // namespace

OracleNode::OracleNode(const QString& program, const QString& script) : m_program(program), m_script(script) {}

OracleNode::~OracleNode()
{
    stop();
}

bool OracleNode::start()
{
    stop();
    m_pending.clear();
    m_process.setProgram(m_program);
    m_process.setArguments({m_script});
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start();
    if (!m_process.waitForStarted(10000)) {
        m_error = QStringLiteral("cannot start %1: %2").arg(m_program, m_process.errorString());
        return false;
    }
    return true;
}

void OracleNode::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.closeWriteChannel();
    if (!m_process.waitForFinished(2000)) {
        m_process.kill();
        m_process.waitForFinished(2000);
    }
}

bool OracleNode::readLine(QString& line, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        const qsizetype newline = m_pending.indexOf('\n');
        if (newline >= 0) {
            line = QString::fromUtf8(m_pending.left(newline));
            m_pending.remove(0, newline + 1);
            return true;
        }
        const qint64 left = timeoutMs - clock.elapsed();
        if (left <= 0 || m_process.state() != QProcess::Running)
            return false;
        if (m_process.waitForReadyRead(int(left)))
            m_pending += m_process.readAllStandardOutput();
    }
}

bool OracleNode::evaluateChunk(const QList<OracleCase>& cases, qsizetype from, qsizetype to,
                               QList<std::optional<OracleAnswer>>& answers, const Meanwhile& meanwhile)
{
    QByteArray input;
    for (qsizetype i = from; i < to; ++i)
        input += caseToJson(cases.at(i)).toUtf8() + '\n';
    m_process.write(input);
    if (meanwhile) {
        // A chunk's answers fit the pipe: node can finish it while the
        // other side works.
        while (m_process.bytesToWrite() > 0 && m_process.waitForBytesWritten(kChunkTimeoutMs)) {
        }
        meanwhile(from, to);
    }
    for (qsizetype i = from; i < to; ++i) {
        QString line;
        if (!readLine(line, kChunkTimeoutMs))
            return false;
        if (line == u"null")
            continue; // ran out of time in node
        OracleAnswer answer;
        if (!answerFromJson(line, answer)) {
            m_error = QStringLiteral("unreadable answer: %1").arg(line);
            return false;
        }
        answers[i] = answer;
    }
    return true;
}

bool OracleNode::evaluate(const QList<OracleCase>& cases, QList<std::optional<OracleAnswer>>& answers,
                          const Meanwhile& meanwhile)
{
    answers = QList<std::optional<OracleAnswer>>(cases.size());
    if (m_process.state() != QProcess::Running && !start())
        return false;
    for (qsizetype from = 0; from < cases.size(); from += kChunk) {
        const qsizetype to = std::min(cases.size(), from + kChunk);
        if (evaluateChunk(cases, from, to, answers, meanwhile))
            continue;
        if (!m_error.isEmpty())
            return false;
        // Some case of the chunk runs away: one at a time, each with its own
        // time, and a fresh process after the one that hangs.
        if (!start())
            return false;
        for (qsizetype i = from; i < to; ++i) {
            if (answers[i])
                continue;
            m_process.write(caseToJson(cases.at(i)).toUtf8() + '\n');
            QString line;
            OracleAnswer answer;
            if (!readLine(line, kCaseTimeoutMs)) {
                if (!start())
                    return false;
            } else if (answerFromJson(line, answer)) {
                answers[i] = answer;
            }
        }
    }
    return true;
}
