#include "shell/ui/DataArea.h"

#include "Version.h"
#include "platform/ui/AppMessageBox.h"
#include "platform/ui/WaitCursor.h"
#include "results/AsciiDatabase.h"
#include "results/ResultsTable.h"
#include "results/SpreadsheetExporter.h"
#include "results/ui/ResultsGrid.h"
#include "results/ui/SpreadsheetExportDialog.h"
#include "run/BatchRun.h"
#include "run/ui/RefusedUrlsView.h"
#include "shell/ui/RecheckDialog.h"
#include "shell/ui/RunHistory.h"
#include "ui_DataArea.h"
#include "workspace/Workspace.h"

#include <QComboBox>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QMessageBox>
#include <QSpinBox>
#include <QTextEdit>

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
    // URLs and page titles may hold '<' and '&'; they are never markup.
    for (QLabel* label : {statusLine(), percentLabel(), addedCounter(), processedCounter()})
        label->setTextFormat(Qt::PlainText);

    m_ui->MSFlexGrid1->setResultsTable(&m_workspace.results());

    QTextEdit* editor = m_ui->RichTextBox2;
    editor->hide();
    editor->setAcceptRichText(false);
    // A tab in a cell would only spoil the delimited file; Tab leaves the cell.
    editor->setTabChangesFocus(true);
    editor->document()->setDocumentMargin(1);
    editor->installEventFilter(this);
    connect(m_ui->MSFlexGrid1, &QAbstractItemView::doubleClicked, this, [this] { beginCellEdit(); });

    connect(getDataButton(), &QPushButton::clicked, &m_run, &BatchRun::start);
    connect(stopButton(), &QPushButton::clicked, this, &DataArea::askToStop);
    connect(m_ui->Command34, &QPushButton::clicked, this, &DataArea::saveResults);
    connect(m_ui->Command35, &QPushButton::clicked, this, &DataArea::loadResults);
    connect(m_ui->Command41, &QPushButton::clicked, this, &DataArea::exportToExcel);

    connect(&m_run, &BatchRun::statusTextChanged, statusLine(), &QLabel::setText);
    connect(&m_run, &BatchRun::processedChanged, this,
            [this](int count) { processedCounter()->setText(QString::number(count)); });
    connect(&m_run, &BatchRun::addedChanged, this,
            [this](int count) { addedCounter()->setText(QString::number(count)); });
    connect(&m_run, &BatchRun::progressChanged, this, [this](double fraction, const QString& percentText) {
        m_ui->Image3->setFraction(fraction);
        percentLabel()->setText(percentText);
    });
    connect(&m_run, &BatchRun::pageBufferChanged, this,
            [this](const QString& page) { pageBuffer()->setPlainText(pageBufferDisplayText(page)); });
    connect(&m_run, &BatchRun::runningChanged, this, &DataArea::setRunning);
    connect(&m_run, &BatchRun::stopRequestedChanged, this, &DataArea::setStopRequested);
    connect(&m_run, &BatchRun::analysisAbandoned, this,
            [this](const QString& url, const QString&) { m_abandoned.append(url); });

    SpreadsheetExportDialog::attach(m_exporter, this);
    m_history = new RunHistory(m_workspace, m_run, this, m_ui->RetryFailedButton, m_ui->RecentRunsButton);
    setUpRunStrip();

    pageBuffer()->setPlainText(pageBufferDisplayText(m_run.pageBuffer()));
    statusLine()->setText(m_run.statusText());
    processedCounter()->setText(QString::number(m_run.processed()));
    addedCounter()->setText(QString::number(m_run.added()));
    m_ui->Image3->setFraction(m_run.progressFraction());
    percentLabel()->setText(m_run.progressText());
    setStopRequested(m_run.stopRequested());
    setRunning(m_run.isRunning());
}

// The run may already be gone when the window takes its areas down; the busy
// pointer, if any, goes back with m_busyCursor.
DataArea::~DataArea() = default;

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

void DataArea::beginCellEdit()
{
    ResultsGrid* grid = m_ui->MSFlexGrid1;
    const QModelIndex current = grid->currentIndex();
    // A running batch makes the table read-only through its flags.
    if (!current.isValid() || current.column() < 1 || !(current.flags() & Qt::ItemIsEditable))
        return;
    QTextEdit* editor = m_ui->RichTextBox2;
    m_editing = current;
    editor->setPlainText(current.data(Qt::EditRole).toString());
    const QRect cell = grid->visualRect(current);
    const QPoint topLeft = grid->viewport()->mapTo(this, cell.topLeft());
    editor->setGeometry(topLeft.x(), topLeft.y(), grid->width() / 2, cell.height());
    editor->raise();
    editor->show();
    editor->moveCursor(QTextCursor::End);
    editor->setFocus(Qt::OtherFocusReason);
}

void DataArea::commitCellEdit()
{
    QTextEdit* editor = m_ui->RichTextBox2;
    if (editor->isHidden())
        return;
    const QPersistentModelIndex target = m_editing;
    m_editing = QPersistentModelIndex();
    // Hidden first: moving the focus below sends the editor another focus-out.
    editor->hide();
    // A row that vanished meanwhile (a load replaced the table) takes nothing.
    if (target.isValid())
        m_workspace.results().setData(target, editor->toPlainText(), Qt::EditRole);
    m_ui->MSFlexGrid1->setFocus(Qt::OtherFocusReason);
}

bool DataArea::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_ui->RichTextBox2 && event->type() == QEvent::FocusOut) {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        // The editor's own context menu and a switch to another window leave
        // the edit open; any other move of the focus ends it.
        if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason)
            commitCellEdit();
    }
    return QWidget::eventFilter(watched, event);
}

void DataArea::askToStop()
{
    if (m_stopBox != nullptr)
        return;
    QMessageBox* box =
        AppMessageBox::open(this, QMessageBox::NoIcon, QString::fromLatin1(BatchRun::StopMessage),
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

bool DataArea::saveResults()
{
    SaveOutcome outcome;
    {
        const WaitCursor wait;
        outcome = SaveResults(m_workspace.results(), m_workspace.settings().snapshot(), m_workspace.folder());
    }
    if (outcome.ok) {
        m_workspace.results().setModified(false);
        return true;
    }
    AppMessageBox::open(this, QMessageBox::Warning, outcome.message(), QStringLiteral("SaveFailure"));
    Q_EMIT saveFailed(outcome.message());
    return false;
}

void DataArea::loadResults()
{
    const WaitCursor wait;
    LoadResults(m_workspace.results(), m_workspace.settings().snapshot(), m_workspace.folder());
    m_workspace.results().setModified(false);
}

void DataArea::exportToExcel()
{
    const ResultsTable& table = m_workspace.results();
    // An export still being written refuses a second one; the click is then lost.
    m_exporter.exportTable(table, table.tableRowCount(), ResultsTable::Columns, 1, QString());
}

void DataArea::setRunning(bool running)
{
    for (QPushButton* button :
         {getDataButton(), m_ui->Command34, m_ui->Command35, m_ui->Command41, m_ui->RecheckButton})
        button->setEnabled(!running);
    if (running && !m_busyCursor)
        m_busyCursor.emplace(Qt::BusyCursor);
    else if (!running)
        m_busyCursor.reset();
    m_ui->ConnectionsBox->setEnabled(!running);
    m_ui->ConnectionsPerHostBox->setEnabled(!running);
    m_ui->TimeoutBox->setEnabled(!running);
    if (running) {
        m_abandoned.clear();
        m_refused.clear();
    } else if (!m_abandoned.isEmpty())
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

void DataArea::setUpRunStrip()
{
    // The number of connections is the user's own choice, kept apart from
    // the settings file in the preferences the whole window shares; the run
    // follows them as they change.
    RunPreferencesHolder& preferences = m_workspace.preferences();
    m_ui->ConnectionsBox->setValue(preferences.values().connections());
    m_ui->ConnectionsPerHostBox->setValue(preferences.values().connectionsPerHost());
    m_ui->TimeoutBox->setValue(preferences.values().timeoutSeconds());
    m_run.setPreferences(preferences.values());
    connect(&preferences, &RunPreferencesHolder::changed, &m_run, &BatchRun::setPreferences);
    connect(m_ui->ConnectionsBox, &QSpinBox::valueChanged, this, &DataArea::changeConnections);
    connect(m_ui->ConnectionsPerHostBox, &QSpinBox::valueChanged, this, &DataArea::changeConnections);
    connect(m_ui->TimeoutBox, &QSpinBox::valueChanged, this, &DataArea::changeConnections);

    connect(&m_run, &BatchRun::paceChanged, m_ui->PaceLabel, &QLabel::setText);
    m_ui->PaceLabel->setText(m_run.paceText());

    m_refusedView = new RefusedUrlsView(m_refused, this);
    m_refusedView->hide();
    for (const UrlOutcome& outcome : m_run.outcomes())
        m_refused.add(outcome.reportLine());
    connect(&m_run, &BatchRun::outcomeAdded, this,
            [this](const UrlOutcome& outcome) { m_refused.add(outcome.reportLine()); });
    auto showCount = [this](int count) {
        m_ui->RefusedToggle->setText(QStringLiteral("Refused URLs (%1)").arg(count));
    };
    connect(&m_refused, &RefusedUrlsModel::countChanged, this, showCount);
    showCount(int(m_refused.lines().size()));
    connect(m_ui->RefusedToggle, &QPushButton::toggled, this, &DataArea::showRefused);
    connect(m_refusedView, &RefusedUrlsView::testRequested, &m_workspace, &Workspace::requestTest);
    m_ui->ReportFilter->setCurrentIndex(int(RefusedUrlsModel::Filter::Refused));
    connect(m_ui->ReportFilter, &QComboBox::currentIndexChanged, this,
            [this](int index) { m_refused.setFilter(RefusedUrlsModel::Filter(index)); });
    connect(m_ui->RecheckButton, &QPushButton::clicked, this, &DataArea::recheckLinksBack);

    QAction* test = grid()->contextMenu()->addAction(QStringLiteral("Test this URL"));
    test->setObjectName(QStringLiteral("mnutestrow"));
    connect(test, &QAction::triggered, this, &DataArea::testCurrentRow);
    placeGrid(grid()->geometry().united(m_ui->RunStrip->geometry()));
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

void DataArea::changeConnections()
{
    RunPreferences preferences = m_workspace.preferences().values();
    preferences.setConnections(m_ui->ConnectionsBox->value());
    preferences.setConnectionsPerHost(m_ui->ConnectionsPerHostBox->value());
    preferences.setTimeoutSeconds(m_ui->TimeoutBox->value());
    const SaveOutcome saved = m_workspace.preferences().change(preferences);
    if (!saved.ok)
        AppMessageBox::open(this, QMessageBox::Warning, saved.message(),
                            QStringLiteral("PreferencesFailure"));
}

void DataArea::placeGrid(const QRect& rect)
{
    const int strip = m_ui->RunStrip->sizeHint().height();
    const QRect gridRect(rect.left(), rect.top(), rect.width(), qMax(0, rect.height() - strip));
    grid()->setGeometry(gridRect);
    // The run report lies over the grid with its filter above it, so the
    // strip below keeps its room for the pace.
    const int bar = m_ui->ReportBar->sizeHint().height();
    m_ui->ReportBar->setGeometry(gridRect.left(), gridRect.top(), gridRect.width(), bar);
    m_refusedView->setGeometry(gridRect.adjusted(0, bar, 0, 0));
    m_ui->RunStrip->setGeometry(rect.left(), gridRect.bottom() + 1, rect.width(), strip);
}

void DataArea::showRefused(bool shown)
{
    // The grid and its rows stay as they are; the list of refused URLs only
    // lies over them while the button is down.
    commitCellEdit();
    m_refusedView->setVisible(shown);
    m_ui->ReportBar->setVisible(shown);
    if (shown) {
        m_ui->ReportBar->raise();
        m_refusedView->raise();
        m_refusedView->setFocus(Qt::OtherFocusReason);
    }
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
