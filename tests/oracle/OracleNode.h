#pragma once

#include "OracleCase.h"

#include <QList>
#include <QProcess>
#include <functional>
#include <optional>

// The JavaScript side: one node process running oracle.js, fed cases on its
// standard input and read back one answer line per case. A case on which the
// engine does not answer in time (a pattern that backtracks for ever) gets no
// answer; the process is then started afresh.
class OracleNode
{
public:
    OracleNode(const QString& program, const QString& script);
    ~OracleNode();

    bool start();
    QString error() const { return m_error; }

    // One answer per case, in order; an empty optional for a case that
    // timed out. False when node cannot be run at all. While node works on
    // a chunk of cases [from, to), meanwhile(from, to) is called, so that
    // the other side can work on them at the same time.
    using Meanwhile = std::function<void(qsizetype from, qsizetype to)>;
    bool evaluate(const QList<OracleCase>& cases, QList<std::optional<OracleAnswer>>& answers,
                  const Meanwhile& meanwhile = {});

private:
    bool evaluateChunk(const QList<OracleCase>& cases, qsizetype from, qsizetype to,
                       QList<std::optional<OracleAnswer>>& answers, const Meanwhile& meanwhile);
    bool readLine(QString& line, int timeoutMs);
    void stop();

    QString m_program;
    QString m_script;
    QProcess m_process;
    QByteArray m_pending;
    QString m_error;
};
