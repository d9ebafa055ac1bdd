#include "shell/ui/DataArea.h"

#include "platform/ui/AppMessageBox.h"
#include "results/ResultsTable.h"
#include "results/SpreadsheetExporter.h"
#include "results/ui/CellEditor.h"
#include "results/ui/ResultsFileBar.h"
#include "results/ui/ResultsGrid.h"
#include "run/BatchRun.h"
#include "run/RunTableFeed.h"
#include "run/ui/RefusedUrlsView.h"
#include "run/ui/RunReportPane.h"
#include "run/ui/RunStripWidget.h"
#include "shell/ui/RecheckDialog.h"
#include "shell/ui/RunHistory.h"
#include "ui_DataArea.h"
#include "workspace/Workspace.h"

#include <QMenu>
#include <iterator>

DataArea::DataArea(Workspace& workspace, BatchRun& run, QWidget* parent)
    : DataArea(workspace, run, *new SpreadsheetExporter(), parent)
{
    // The exporter was made for this area alone and goes with it.
    m_exporter.setParent(this);
}

DataArea::DataArea(Workspace& workspace, BatchRun& run, SpreadsheetExporter& exporter, QWidget* parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::DataArea>()), m_workspace(workspace), m_run(run),
      m_exporter(exporter)
{
    m_ui->setupUi(this);
    m_feed = new RunTableFeed(m_run, m_workspace.results(), this);
    // URLs and page titles may hold '<' and '&'; they are never markup.
    for (QLabel* label : {statusLine(), percentLabel(), addedCounter(), processedCounter()})
        label->setTextFormat(Qt::PlainText);

    m_ui->MSFlexGrid1->setResultsTable(&m_workspace.results());
    m_ui->RichTextBox2->attach(m_ui->MSFlexGrid1);
    m_ui->FileButtons->attach(m_workspace.results(), m_workspace.settings(), m_workspace.folder(),
                              m_exporter);
    connect(m_ui->FileButtons, &ResultsFileBar::saveFailed, this, &DataArea::saveFailed);

    connect(getDataButton(), &QPushButton::clicked, &m_run, &BatchRun::start);
    connect(stopButton(), &QPushButton::clicked, this, &DataArea::askToStop);
    connect(&m_run, &BatchRun::runningChanged, this, &DataArea::setRunning);
    connect(&m_run, &BatchRun::stopRequestedChanged, this, &DataArea::setStopRequested);
    connect(&m_run, &BatchRun::analysisAbandoned, this,
            [this](const QString& url, const QString&) { m_abandoned.append(url); });
    showFeed();

    RunStripWidget* strip = m_ui->RunStrip;
    strip->attach(m_workspace.preferences(), m_run, *m_feed);
    m_history = new RunHistory(m_workspace, m_run, this, strip->retryButton(), strip->recentButton());
    connect(strip->recheckButton(), &QPushButton::clicked, this, &DataArea::recheckLinksBack);
    m_report = new RunReportPane(m_workspace, m_run, this);
    connect(&m_report->model(), &RefusedUrlsModel::countChanged, strip, &RunStripWidget::setReportCount);
    strip->setReportCount(m_report->model().refusedCount());
    connect(strip->reportToggle(), &QPushButton::toggled, this, &DataArea::showReport);

    QAction* test = grid()->contextMenu()->addAction(QStringLiteral("Test this URL"));
    test->setObjectName(QStringLiteral("mnutestrow"));
    connect(test, &QAction::triggered, this, &DataArea::testCurrentRow);
    placeGrid(grid()->geometry().united(m_ui->RunStrip->geometry()));
    setTabOrder();

    setStopRequested(m_run.stopRequested());
    setRunning(m_run.isRunning());
}

// The run may already be gone when the window takes its areas down; the busy
// pointer, if any, goes back with m_busyCursor.
DataArea::~DataArea() = default;

// The run's counters, status line, bar and page buffer, as the feed words them.
void DataArea::showFeed()
{
    connect(m_feed, &RunTableFeed::statusTextChanged, statusLine(), &QLabel::setText);
    connect(m_feed, &RunTableFeed::processedChanged, this,
            [this](int count) { processedCounter()->setText(QString::number(count)); });
    connect(m_feed, &RunTableFeed::addedChanged, this,
            [this](int count) { addedCounter()->setText(QString::number(count)); });
    connect(m_feed, &RunTableFeed::progressChanged, this,
            [this](double fraction, const QString& percentText) {
                m_ui->Image3->setFraction(fraction);
                percentLabel()->setText(percentText);
            });
    connect(m_feed, &RunTableFeed::pageBufferChanged, this,
            [this](const QString& page) { pageBuffer()->setPlainText(pageBufferDisplayText(page)); });

    pageBuffer()->setPlainText(pageBufferDisplayText(m_feed->pageBuffer()));
    statusLine()->setText(m_feed->statusText());
    processedCounter()->setText(QString::number(m_run.processed()));
    addedCounter()->setText(QString::number(m_run.added()));
    m_ui->Image3->setFraction(m_feed->progressFraction());
    percentLabel()->setText(m_feed->progressText());
}

// Tab goes along the top row, into the grid, then to the strip's boxes and
// the report's controls; the rest follow in the order they were made.
void DataArea::setTabOrder()
{
    RunStripWidget* strip = m_ui->RunStrip;
    QWidget* const order[] = {getDataButton(),
                              stopButton(),
                              findChild<QPushButton*>(QStringLiteral("Command34")),
                              findChild<QPushButton*>(QStringLiteral("Command35")),
                              findChild<QPushButton*>(QStringLiteral("Command41")),
                              grid(),
                              strip->findChild<QWidget*>(QStringLiteral("ConnectionsBox")),
                              strip->findChild<QWidget*>(QStringLiteral("ConnectionsPerHostBox")),
                              strip->reportToggle(),
                              m_report->findChild<QWidget*>(QStringLiteral("ReportFilter")),
                              m_ui->RichTextBox2,
                              pageBuffer()};
    for (size_t i = 1; i < std::size(order); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

QString DataArea::pageBufferDisplayText(const QString& page)
{
    if (page.size() <= PageBufferDisplayLimit)
        return page;
    qsizetype shown = PageBufferDisplayLimit;
    if (page.at(shown - 1).isHighSurrogate())
        --shown;
    // The run keeps the whole page; only the display is cut, and says so.
    return page.left(shown) + QStringLiteral("\n[%1 more characters not shown]").arg(page.size() - shown);
}

QPushButton* DataArea::getDataButton() const
{
    return m_ui->Command14;
}

QPushButton* DataArea::stopButton() const
{
    return m_ui->Command8;
}

QLabel* DataArea::statusLine() const
{
    return m_ui->Label4;
}

QLabel* DataArea::processedCounter() const
{
    return m_ui->Label20;
}

QLabel* DataArea::addedCounter() const
{
    return m_ui->Label19;
}

QLabel* DataArea::percentLabel() const
{
    return m_ui->Label9;
}

QPlainTextEdit* DataArea::pageBuffer() const
{
    return m_ui->RichTextBox3;
}

ResultsGrid* DataArea::grid() const
{
    return m_ui->MSFlexGrid1;
}

QTextEdit* DataArea::cellEditor() const
{
    return m_ui->RichTextBox2;
}

const RefusedUrlsModel& DataArea::refusedUrls() const
{
    return m_report->model();
}

RefusedUrlsView* DataArea::refusedView() const
{
    return m_report->view();
}

bool DataArea::saveResults()
{
    return m_ui->FileButtons->save();
}

void DataArea::askToStop()
{
    if (m_stopBox != nullptr)
        return;
    QMessageBox* box =
        AppMessageBox::open(this, QMessageBox::NoIcon, QString::fromLatin1(RunTableFeed::StopMessage),
                            QStringLiteral("StopConfirmation"));
    // The run waits while the question is open; the stop is requested only
    // once the user has closed it.
    connect(box, &QMessageBox::finished, this, [this] {
        m_run.requestStop();
        m_run.setHeld(false);
    });
    m_stopBox = box;
    m_run.setHeld(true);
}

void DataArea::setRunning(bool running)
{
    getDataButton()->setEnabled(!running);
    m_ui->FileButtons->setEnabled(!running);
    if (running && !m_busyCursor)
        m_busyCursor.emplace(Qt::BusyCursor);
    else if (!running)
        m_busyCursor.reset();
    if (running)
        m_abandoned.clear();
    else if (!m_abandoned.isEmpty())
        reportAbandoned();
}

// A page whose analysis ran past its time limit got no row although no check
// refused it; the user must hear of it, or the missing row looks like a verdict.
void DataArea::reportAbandoned()
{
    const qsizetype count = m_abandoned.size();
    const QString head = count == 1
                             ? QStringLiteral("The analysis of 1 page took too long and was abandoned; "
                                              "it got no row:")
                             : QStringLiteral("The analysis of %1 pages took too long and was abandoned; "
                                              "they got no row:")
                                   .arg(count);
    constexpr qsizetype kListed = 10;
    QStringList lines = m_abandoned.mid(0, kListed);
    if (count > kListed)
        lines.append(QStringLiteral("and %1 more").arg(count - kListed));
    m_abandoned.clear();
    AppMessageBox::open(this, QMessageBox::Warning, head + QStringLiteral("\n\n") + lines.join(u'\n'),
                        QStringLiteral("AbandonedPages"));
}

void DataArea::setStopRequested(bool requested)
{
    QFont font = stopButton()->font();
    font.setBold(requested);
    stopButton()->setFont(font);
}

void DataArea::recheckLinksBack()
{
    // A dialog of its own, opened without a loop of its own; it goes when closed.
    auto* dialog = new RecheckDialog(m_workspace, this);
    dialog->setObjectName(QStringLiteral("RecheckDialog"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
    dialog->start();
}

void DataArea::placeGrid(const QRect& rect)
{
    const int strip = m_ui->RunStrip->sizeHint().height();
    const QRect gridRect(rect.left(), rect.top(), rect.width(), qMax(0, rect.height() - strip));
    grid()->setGeometry(gridRect);
    // The run report lies over the grid, so the strip below keeps its room
    // for the pace.
    m_report->setGeometry(gridRect);
    m_ui->RunStrip->setGeometry(rect.left(), gridRect.bottom() + 1, rect.width(), strip);
}

void DataArea::showReport(bool shown)
{
    // The grid and its rows stay as they are; the run report only lies over
    // them while the button is down.
    m_ui->RichTextBox2->commit();
    m_report->setShown(shown);
}

void DataArea::testCurrentRow()
{
    const QModelIndex current = grid()->currentIndex();
    if (!current.isValid())
        return;
    // The grid's rows are the table's rows after its header row.
    const QString url =
        m_workspace.results().cell(ResultsTable::tableRow(current.row()), ResultsTable::UrlColumn);
    if (!url.trimmed().isEmpty())
        m_workspace.requestTest(url);
}
