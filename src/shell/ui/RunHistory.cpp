#include "shell/ui/RunHistory.h"

#include "platform/ui/AppMessageBox.h"
#include "run/BatchRun.h"
#include "run/LinkBackSetup.h"
#include "run/RecheckRun.h"
#include "run/RunJournalFeed.h"
#include "shell/ui/RecentRunsDialog.h"
#include "store/RunStore.h"
#include "workspace/Workspace.h"

#include <QMessageBox>
#include <QPushButton>

RunHistory::RunHistory(Workspace& workspace, BatchRun& run, QWidget* area, QPushButton* retryButton,
                       QPushButton* recentButton)
    : QObject(area), m_workspace(workspace), m_run(run), m_area(area)
{
    SortedListModel& links = m_workspace.linkList();
    m_feed = new RunJournalFeed(m_workspace.runStore(), m_run, [&links] { return links.entries(); }, this);
    connect(m_feed, &RunJournalFeed::failed, this, &RunHistory::showJournalFailure);
    connect(retryButton, &QPushButton::clicked, this, &RunHistory::retryFailed);
    connect(recentButton, &QPushButton::clicked, this, &RunHistory::showRecentRuns);
    connect(&m_run, &BatchRun::runningChanged, this, [retryButton, recentButton](bool running) {
        retryButton->setEnabled(!running);
        recentButton->setEnabled(!running);
    });
}

RunHistory::~RunHistory() = default;

void RunHistory::showStartMessages()
{
    RunStore* store = m_workspace.runStore();
    if (!store)
        return;
    if (!store->message().isEmpty()) {
        QMessageBox* box =
            AppMessageBox::open(m_area, QMessageBox::Warning, store->message(), QStringLiteral("StoreMessage"));
        // One question at a time: the interrupted run's comes after this one.
        connect(box, &QMessageBox::finished, this, &RunHistory::askAboutInterrupted);
        return;
    }
    askAboutInterrupted();
}

void RunHistory::askAboutInterrupted()
{
    RunStore* store = m_workspace.runStore();
    if (!store || !store->isAvailable() || m_run.isRunning())
        return;
    const std::optional<RunRecord> run = store->queries().newestInterrupted();
    // A run of quillmark-batch over a file is taken up with its --resume; the
    // window's link list keeps its own order and could not go on with it.
    if (!run || !run->listPath.isEmpty())
        return;
    enum { Resume, Keep, Discard, Later };
    const qint64 id = run->id;
    // Escape and the close button leave the run as it is: interrupted, and
    // asked about again at the next start. The roles keep "Discard" off the
    // default button's side in the platforms' orders of buttons.
    m_question = AppMessageBox::ask(
        m_area,
        QStringLiteral("A run of %1 URLs was interrupted after %2 (%3 rows).")
            .arg(run->listSize)
            .arg(run->processed)
            .arg(run->rows),
        QStringLiteral("InterruptedRun"),
        {{QStringLiteral("Resume"), QMessageBox::YesRole},
         {QStringLiteral("Keep the %1 rows").arg(run->rows), QMessageBox::AcceptRole},
         {QStringLiteral("Discard"), QMessageBox::DestructiveRole},
         {QStringLiteral("Decide later"), QMessageBox::RejectRole}},
        Later, this, [this, id](int answer) {
            RunStore* s = m_workspace.runStore();
            if (answer == Resume) {
                resumeRun(id);
            } else if (answer == Keep) {
                RunJournalFeed::putRowsBack(m_workspace.results(), s->queries().rows(id));
                s->queries().settle(id);
            } else if (answer == Discard) {
                s->queries().settle(id);
            }
        });
}

void RunHistory::resumeRun(qint64 runId)
{
    RunStore* store = m_workspace.runStore();
    if (!store || m_run.isRunning())
        return;
    const QVector<UrlRecord> rows = store->queries().rows(runId);
    const int position = store->queries().resumePosition(runId);
    RunJournalFeed::putRowsBack(m_workspace.results(), rows);
    m_workspace.linkList().setEntries(store->queries().list(runId));
    store->queries().settle(runId);
    m_feed->resumeNext(runId);
    // The rest of the run proves the links back as "Get Data" would now.
    m_run.setLinkBack(LinkBackSetup::from(m_workspace.linkBack()));
    m_run.resume(position, position - 1, rows.isEmpty() ? 0 : rows.constLast().row.number);
}

void RunHistory::retryFailed()
{
    RunStore* store = m_workspace.runStore();
    if (!store || m_run.isRunning())
        return;
    qint64 id = m_feed->runId();
    if (id == 0) {
        // The newest run of "Get Data"; a re-check's failures are for the
        // re-check to tell, not for the link list.
        for (const RunRecord& run : store->queries().runs()) {
            if (run.context != QLatin1String(RecheckRun::StoreContext)) {
                id = run.id;
                break;
            }
        }
    }
    const QStringList failed = id > 0 ? store->queries().failedUrls(id) : QStringList();
    if (failed.isEmpty()) {
        AppMessageBox::open(m_area, QMessageBox::Information, QString::fromLatin1(NoFailedUrls),
                            QStringLiteral("NoFailedUrls"));
        return;
    }
    m_workspace.linkList().setEntries(failed);
}

void RunHistory::showRecentRuns()
{
    if (m_recent) {
        m_recent->raise();
        return;
    }
    m_recent = new RecentRunsDialog(m_workspace, m_area);
    m_recent->setAttribute(Qt::WA_DeleteOnClose);
    m_recent->open();
}

void RunHistory::showJournalFailure(const QString& message)
{
    // The run goes on without its journal; once is enough to say so.
    if (m_journalFailureShown)
        return;
    m_journalFailureShown = true;
    AppMessageBox::open(m_area, QMessageBox::Warning, message, QStringLiteral("JournalFailure"));
}
