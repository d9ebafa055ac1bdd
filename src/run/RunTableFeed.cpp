#include "run/RunTableFeed.h"

#include "results/ResultsTable.h"

RunTableFeed::RunTableFeed(BatchRun& run, ResultsTable& table, QObject* parent)
    : QObject(parent), m_run(run), m_table(table)
{
    connect(&m_run, &BatchRun::started, this, &RunTableFeed::onStarted);
    connect(&m_run, &BatchRun::urlBegun, this, &RunTableFeed::onUrlBegun);
    connect(&m_run, &BatchRun::urlDone, this, &RunTableFeed::onUrlDone);
    connect(&m_run, &BatchRun::waitingChanged, this, &RunTableFeed::onWaitingChanged);
    connect(&m_run, &BatchRun::ended, this, &RunTableFeed::onEnded);
}

QString RunTableFeed::paceText() const
{
    return m_pace.text(m_run.isRunning() ? m_run.urlCount() - m_run.processed() : 0);
}

QString RunTableFeed::percentText(double fraction)
{
    // The label shows a single-precision value: a third of the bar reads
    // "33.33333", not the double's "33.3333333333".
    const float percent = float(fraction * 100.0);
    QString text = QString::number(double(percent), 'g', 7);
    text.replace(u'e', u'E');
    return text + u'%';
}

void RunTableFeed::onStarted(const BatchRun::Start& start)
{
    // The table stays read-only for the user while rows go in, so the rows
    // the run inserted stay where it put them.
    m_editableBefore = m_table.isUserEditable();
    m_table.setUserEditable(false);
    // Counters, then the table's header and column widths. A resumed run
    // keeps its rows, and its bar stands where the interrupted run left it;
    // a fresh one leaves the bar as it was until its first URL is done.
    Q_EMIT addedChanged(m_run.added());
    Q_EMIT processedChanged(m_run.processed());
    if (start.fresh)
        m_table.resetForRun();
    else if (start.count > 0)
        setProgress(qMin(1.0, double(start.first - 1) / double(start.count)));
    m_pace.start();
    Q_EMIT paceChanged(QString());
}

void RunTableFeed::onUrlBegun(int, const QString& url)
{
    setStatus(QString::fromLatin1(ProcessingPrefix) + url);
}

void RunTableFeed::onUrlDone(const BatchRun::UrlDone& done)
{
    m_pageBuffer = done.page;
    Q_EMIT pageBufferChanged(m_pageBuffer);
    Q_EMIT processedChanged(m_run.processed());
    // An accepted page becomes the next row, right under the ones before it.
    if (done.row) {
        Q_EMIT addedChanged(done.row->number);
        m_table.insertTableRow(done.row->number, *done.row);
    }
    m_pace.pageDone();
    const int now = done.listCount;
    setProgress(now > 0 ? qMin(1.0, double(done.outcome.index) / double(now)) : 1.0);
    Q_EMIT paceChanged(paceText());
}

void RunTableFeed::onWaitingChanged(int count, qint64 leftMs)
{
    m_pace.setWaiting(count, leftMs);
    Q_EMIT waitingChanged(count);
    if (m_run.isRunning())
        Q_EMIT paceChanged(paceText());
}

void RunTableFeed::onEnded(BatchRun::Ending ending)
{
    setStatus(QString::fromLatin1(ending == BatchRun::Ending::Stopped ? KilledStatus : DoneStatus));
    m_table.setUserEditable(m_editableBefore);
    Q_EMIT paceChanged(paceText());
}

void RunTableFeed::setStatus(const QString& text)
{
    m_status = text;
    Q_EMIT statusTextChanged(m_status);
}

void RunTableFeed::setProgress(double fraction)
{
    m_fraction = fraction;
    m_progressText = percentText(m_fraction);
    Q_EMIT progressChanged(m_fraction, m_progressText);
}
