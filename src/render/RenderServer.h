#pragma once

#include "rendering/RenderProtocol.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <memory>

class PageRender;
class QSocketNotifier;

// The loop of quillmark-render: request lines from standard input, one page
// at a time, one answer line each on the answer channel. At the end of the
// input it finishes the requests it has, then quits the application.
class RenderServer : public QObject
{
    Q_OBJECT

public:
    // Reads requests from inputFd and writes answers to answerFd.
    RenderServer(int inputFd, int answerFd, QObject* parent = nullptr);
    ~RenderServer() override;

    void start();

private:
    void readInput();
    void next();
    void answer(quint64 id, const RenderResult& result);
    void writeAll(const QByteArray& bytes);

    int m_inputFd;
    int m_answerFd;
    QSocketNotifier* m_notifier = nullptr;
    QByteArray m_input;
    QList<QByteArray> m_lines;
    bool m_inputEnded = false;
    std::unique_ptr<PageRender> m_current;
    quint64 m_currentId = 0;
};
