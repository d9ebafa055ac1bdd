#pragma once

#include "run/BatchRun.h"
#include "run/RunPace.h"

#include <QObject>
#include <QString>

class ResultsTable;

// Shows a batch run: puts its rows into the results table and words its
// progress the way the "4. Data" area and the headless command show it (the
// status line, the counters, the bar with its percentage, the page buffer and
// the pace). The run itself only says what happens; the window and
// quillmark-batch bind to this feed's signals, and each signal has a getter
// for the current value.
class RunTableFeed : public QObject
{
    Q_OBJECT

public:
    static constexpr const char* InitialStatus = " Status ....";
    static constexpr const char* ProcessingPrefix = " Processing: ";
    static constexpr const char* KilledStatus = " Process was killed by Stop button!";
    static constexpr const char* DoneStatus = " Done!";
    static constexpr const char* StopMessage = "Let me finish processing this URL, and then I will stop.";

    // The table must outlive the feed; the run too, or the feed goes first.
    RunTableFeed(BatchRun& run, ResultsTable& table, QObject* parent = nullptr);

    QString statusText() const { return m_status; }
    double progressFraction() const { return m_fraction; }
    QString progressText() const { return m_progressText; }
    QString pageBuffer() const { return m_pageBuffer; }
    // How fast the run goes and how long it still needs, for people.
    QString paceText() const;

    // The percentage label's text for a bar that holds `fraction` of its length:
    // single precision, general format, up to seven significant digits, then "%".
    static QString percentText(double fraction);

Q_SIGNALS:
    void statusTextChanged(const QString& text);
    void processedChanged(int count);
    void addedChanged(int count);
    void progressChanged(double fraction, const QString& percentText);
    void pageBufferChanged(const QString& text);
    void paceChanged(const QString& text);
    // The pages waiting on silent servers changed in number; paceText()
    // already counts them.
    void waitingChanged(int count);

private:
    void onStarted(const BatchRun::Start& start);
    void onUrlBegun(int index, const QString& url);
    void onUrlDone(const BatchRun::UrlDone& done);
    void onWaitingChanged(int count, qint64 leftMs);
    void onEnded(BatchRun::Ending ending);
    void setStatus(const QString& text);
    void setProgress(double fraction);

    BatchRun& m_run;
    ResultsTable& m_table;
    RunPace m_pace;
    bool m_editableBefore = true;
    double m_fraction = 0.0;
    QString m_status = QString::fromLatin1(InitialStatus);
    QString m_progressText = QStringLiteral("0%");
    QString m_pageBuffer;
};
