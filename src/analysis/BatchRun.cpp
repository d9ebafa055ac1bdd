#include "analysis/BatchRun.h"

#include "analysis/AnalysisDeadline.h"
#include "analysis/PageAnalysis.h"
#include "filters/SortedListModel.h"
#include "platform/LogCategories.h"
#include "results/ResultsTable.h"
#include "settings/Settings.h"

#include <QTimer>

BatchRun::BatchRun(Settings& settings, SortedListModel& links, SortedListModel& badWords,
                   SortedListModel& validStatus, ResultsTable& results, const FetchOptions& fetchOptions,
                   QObject* parent)
    : BatchRun(
          settings, [&links] { return links.count(); }, [&links](int i) { return links.at(i); }, badWords,
          validStatus, results, fetchOptions, parent)
{}

BatchRun::BatchRun(Settings& settings, const QStringList& links, SortedListModel& badWords,
                   SortedListModel& validStatus, ResultsTable& results, const FetchOptions& fetchOptions,
                   QObject* parent)
    : BatchRun(
          settings, [links] { return int(links.size()); }, [links](int i) { return links.value(i); },
          badWords, validStatus, results, fetchOptions, parent)
{}

BatchRun::BatchRun(Settings& settings, std::function<int()> linkCount, std::function<QString(int)> linkAt,
                   SortedListModel& badWords, SortedListModel& validStatus, ResultsTable& results,
                   const FetchOptions& fetchOptions, QObject* parent)
    : QObject(parent), m_settings(settings), m_linkCount(std::move(linkCount)), m_linkAt(std::move(linkAt)),
      m_badWords(badWords), m_validStatus(validStatus), m_results(results), m_fetcher(nullptr, fetchOptions)
{
    connect(&m_fetcher, &PageFetcher::finished, this, &BatchRun::onFetched);
}

BatchRun::~BatchRun() = default;

QString BatchRun::percentText(double fraction)
{
    // The label shows a single-precision value: a third of the bar reads
    // "33.33333", not the double's "33.3333333333".
    const float percent = float(fraction * 100.0);
    QString text = QString::number(double(percent), 'g', 7);
    text.replace(u'e', u'E');
    return text + u'%';
}

void BatchRun::start()
{
    if (m_running)
        return;
    // A stop asked for before this run does not end it.
    m_stopRequested = false;
    Q_EMIT stopRequestedChanged(false);
    // The table stays read-only for the user while rows go in, so the
    // rows the run inserted stay where it put them.
    m_running = true;
    m_editableBefore = m_results.isUserEditable();
    m_results.setUserEditable(false);
    Q_EMIT runningChanged(true);
    // Counters, then the table's header and column widths, then the URL count.
    m_processed = 0;
    m_added = 0;
    Q_EMIT addedChanged(0);
    Q_EMIT processedChanged(0);
    m_results.ResetForRun();
    m_count = m_linkCount();
    m_rows = 0;
    m_index = 1;
    proceed();
}

void BatchRun::requestStop()
{
    m_stopRequested = true;
    Q_EMIT stopRequestedChanged(true);
    setHeld(false);
}

void BatchRun::setHeld(bool held)
{
    m_held = held;
    if (!held && m_waitingForRelease) {
        m_waitingForRelease = false;
        QTimer::singleShot(0, this, &BatchRun::proceed);
    }
}

void BatchRun::proceed()
{
    if (!m_running)
        return;
    // The "Stop" message box is open: the run stays at this step boundary
    // until it closes, as it did behind the modal box.
    if (m_held) {
        m_waitingForRelease = true;
        return;
    }
    if (m_index > m_count) {
        endRun(DoneStatus); // every URL visited
        return;
    }
    beginUrl();
}

void BatchRun::beginUrl()
{
    // A stop request is seen here, between two URLs, never in the middle of one.
    if (m_stopRequested) {
        endRun(KilledStatus);
        return;
    }
    // The entry is read now: the list may have changed while the run waited.
    m_url = m_linkAt(m_index - 1);
    setStatus(QString::fromLatin1(ProcessingPrefix) + m_url);
    // The answer comes back through onFetched().
    m_fetcher.OpenURL(m_url);
}

void BatchRun::onFetched(const FetchResult& result)
{
    if (!m_running)
        return;
    // The page goes through the page buffer; the header block is this
    // response's (both empty after a failed fetch).
    m_pageBuffer = result.body;
    Q_EMIT pageBufferChanged(m_pageBuffer);
    const QString header = result.header;

    // The checks and the field rules, under one snapshot of the settings and
    // the lists as they are now, when this URL's analysis begins. The deadline decides nothing about the
    // page: if it passes, the page's analysis is thrown away and reported, and no row is added.
    AnalysisDeadline deadline(m_analysisTimeLimit);
    const SettingsSnapshot settings = m_settings.snapshot();
    const PageVerdict verdict =
        AnalysePage(settings, m_pageBuffer, header, m_badWords.entries(), m_validStatus.entries());
    bool abandoned = deadline.passed();

    ++m_processed;
    Q_EMIT processedChanged(m_processed);

    // An accepted page becomes the next row.
    if (!abandoned && !verdict.accepted())
        qCDebug(lcAnalysis, "no row for %s", qUtf8Printable(m_url));
    if (!abandoned && verdict.accepted()) {
        // The cells are worked out before the row goes in (the URL cell holds
        // the URL as it is), so an abandoned page leaves no trace in the table.
        const RowCells cells = FillRowCells(settings, verdict, m_url, m_pageBuffer);
        abandoned = deadline.passed();
        if (!abandoned) {
            ++m_rows;
            m_added = m_rows;
            Q_EMIT addedChanged(m_added);
            m_results.InsertRow(m_rows);
            m_results.SetCell(m_rows, 0, QString::number(m_rows));
            m_results.SetCell(m_rows, 4, m_url);
            m_results.SetCell(m_rows, 1, cells.title);
            m_results.SetCell(m_rows, 2, cells.email);
            m_results.SetCell(m_rows, 3, cells.description);
        }
    }
    if (abandoned) {
        Q_EMIT analysisAbandoned(m_url, QStringLiteral("the analysis of the page took longer than %1 ms")
                                            .arg(m_analysisTimeLimit.count()));
    }

    // Progress. The divisor is the list's count now; entries removed while the
    // run waited would otherwise push the bar past its end or divide by zero.
    const int now = m_linkCount();
    m_fraction = now > 0 ? qMin(1.0, double(m_index) / double(now)) : 1.0;
    m_progressText = percentText(m_fraction);
    Q_EMIT progressChanged(m_fraction, m_progressText);

    ++m_index;
    // The one yield per URL: pending input, a click on "Stop" included, is
    // handled before the next URL begins.
    QTimer::singleShot(0, this, &BatchRun::proceed);
}

void BatchRun::endRun(const char* status)
{
    setStatus(QString::fromLatin1(status));
    m_running = false;
    m_waitingForRelease = false;
    m_results.setUserEditable(m_editableBefore);
    Q_EMIT runningChanged(false);
    Q_EMIT finished();
}

void BatchRun::setStatus(const QString& text)
{
    m_status = text;
    Q_EMIT statusTextChanged(m_status);
}
