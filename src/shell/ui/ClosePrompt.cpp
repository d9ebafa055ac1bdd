#include "shell/ui/ClosePrompt.h"

#include "platform/ui/AppMessageBox.h"
#include "results/ResultsTable.h"
#include "run/BatchRun.h"

#include <QCloseEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

ClosePrompt::ClosePrompt(QWidget* window, BatchRun& run, ResultsTable& results, std::function<bool()> save)
    : QObject(window), m_window(window), m_run(run), m_results(results), m_save(std::move(save))
{
    m_window->installEventFilter(this);
    connect(&m_run, &BatchRun::finished, this, [this] {
        if (!std::exchange(m_closeAfterRun, false))
            return;
        // After the run's own end has been handled everywhere.
        QTimer::singleShot(0, this, [this] {
            if (mayClose())
                closeAnyway();
        });
    });
}

bool ClosePrompt::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_window && event->type() == QEvent::Close && !m_closing && !mayClose()) {
        event->ignore();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

bool ClosePrompt::mayClose()
{
    if (m_question)
        return false; // a question is open: it decides
    if (m_run.isRunning()) {
        if (!m_closeAfterRun)
            askToStop();
        return false;
    }
    if (m_results.isModified()) {
        askToSave();
        return false;
    }
    return true;
}

void ClosePrompt::askToStop()
{
    QMessageBox* box = AppMessageBox::open(m_window, QMessageBox::Question, QString::fromLatin1(StopQuestion),
                                           QStringLiteral("CloseDuringRun"));
    box->setStandardButtons(QMessageBox::NoButton);
    QPushButton* stop = box->addButton(QStringLiteral("Stop"), QMessageBox::AcceptRole);
    box->addButton(QMessageBox::Cancel);
    box->setDefaultButton(stop);
    // Like the "Stop" box: the run waits while the question is open.
    m_run.setHeld(true);
    connect(box, &QMessageBox::buttonClicked, this, [this, stop](QAbstractButton* clicked) {
        if (clicked == stop) {
            m_closeAfterRun = true;
            m_run.requestStop();
        }
        m_run.setHeld(false);
    });
    connect(box, &QMessageBox::rejected, this, [this] { m_run.setHeld(false); });
    m_question = box;
}

void ClosePrompt::askToSave()
{
    QMessageBox* box = AppMessageBox::open(m_window, QMessageBox::Question, QString::fromLatin1(SaveQuestion),
                                           QStringLiteral("SaveBeforeClosing"));
    box->setStandardButtons(QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
    box->button(QMessageBox::Discard)->setText(QStringLiteral("Don't Save"));
    box->setDefaultButton(QMessageBox::Save);
    connect(box, &QMessageBox::buttonClicked, this, [this, box](QAbstractButton* clicked) {
        const QMessageBox::StandardButton which = box->standardButton(clicked);
        // A save that fails says so in a box of its own, and the window stays.
        if (which == QMessageBox::Discard || (which == QMessageBox::Save && m_save()))
            QTimer::singleShot(0, this, &ClosePrompt::closeAnyway);
    });
    m_question = box;
}

void ClosePrompt::closeAnyway()
{
    m_closing = true;
    if (!m_window->close())
        m_closing = false;
}
