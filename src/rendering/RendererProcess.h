#pragma once

#include "rendering/RenderProtocol.h"
#include "rendering/RenderResult.h"

#include <QByteArray>
#include <QObject>
#include <QProcess>
#include <QString>
#include <QTimer>

// One quillmark-render process and the request it has in hand. It takes one
// request at a time and watches it: a process that ends, answers nonsense,
// takes longer than the request's time limit and a grace, or whose process
// tree grows over the memory bound is killed, tree and all, and the request
// fails with the reason. The pool starts a new process in its place.
class RendererProcess : public QObject
{
    Q_OBJECT

public:
    struct Watch
    {
        qint64 memoryBoundBytes = 400LL * 1024 * 1024;
        int graceMs = 5000;       // beyond a request's time limit, before the process counts as hung
        int startGraceMs = 15000; // more for the first page: the web engine starts with it
        int memoryCheckMs = 500;  // how often a busy process's memory is looked at
    };

    RendererProcess(const QString& program, const Watch& watch, QObject* parent = nullptr);
    ~RendererProcess() override;

    void start();
    // Hands a request over; the process is busy until it answers or fails.
    void send(const RenderProtocol::Request& request);
    // Asks an idle process to end (its standard input closed), killing it if
    // it has not ended after a while. gone() follows.
    void retire();

    bool isIdle() const { return m_state == State::Idle; }
    bool isBusy() const { return m_state == State::Busy; }
    qint64 pid() const { return m_pid; }
    int pagesAnswered() const { return m_pagesAnswered; }
    // The memory of the process and of the web engine's processes under it.
    qint64 memoryBytes() const;

signals:
    void answered(quint64 id, const RenderResult& result);
    // The request in hand failed because the process did; reason says how.
    void failed(quint64 id, const QString& reason);
    // The process could not be started at all (missing, not executable).
    void startFailed(const QString& message);
    // The process has ended. ownAccord: it ended without being asked or killed;
    // lastWords: the last line it wrote on its standard error.
    void gone(bool ownAccord, const QString& lastWords);

private:
    enum class State
    {
        NotStarted,
        Idle,
        Busy,
        Retiring,
        Gone
    };

    void readAnswers();
    void readErrors();
    void handleLine(const QByteArray& line);
    void handleFinished(int exitCode, QProcess::ExitStatus status);
    void handleError(QProcess::ProcessError error);
    void checkMemory();
    void killTree(const QString& reason);

    QProcess m_process;
    QString m_program;
    Watch m_watch;
    State m_state = State::NotStarted;
    qint64 m_pid = 0;
    quint64 m_requestId = 0;
    qint64 m_lineLimit = 0;
    int m_pagesAnswered = 0;
    QByteArray m_out;
    qsizetype m_scanned = 0; // bytes of m_out known to hold no line feed
    QByteArray m_errTail;
    QString m_killReason; // set when this side ended the process
    QTimer m_hangTimer;
    QTimer m_memoryTimer;
    QTimer m_retireTimer;
};
