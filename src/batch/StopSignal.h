#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGINT, SIGTERM and SIGHUP (the terminal closed) into a Qt signal on
// the thread that created this object, by the self-pipe trick: the handler
// only writes one byte, the event loop does the rest. After the first signal the default action is restored,
// so a second Ctrl-C ends the program at once.
class StopSignal : public QObject
{
    Q_OBJECT

public:
    explicit StopSignal(QObject* parent = nullptr);
    ~StopSignal() override;

    bool isActive() const { return m_notifier != nullptr; }

Q_SIGNALS:
    void triggered(int signalNumber);

private:
    void onReadable();

    QSocketNotifier* m_notifier = nullptr;
};
