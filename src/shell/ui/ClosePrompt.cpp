#include "shell/ui/ClosePrompt.h"

#include "platform/ui/AppMessageBox.h"
#include "results/ResultsTable.h"
#include "run/BatchRun.h"

#include <QCloseEvent>
#include <QMessageBox>
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
    enum { Stop, Cancel };
    // Like the "Stop" box: the run waits while the question is open.
    m_run.setHeld(true);
    m_question = AppMessageBox::ask(m_window, QString::fromLatin1(StopQuestion), QStringLiteral("CloseDuringRun"),
                                    {{QStringLiteral("Stop"), QMessageBox::AcceptRole},
                                     {QStringLiteral("Cancel"), QMessageBox::RejectRole}},
                                    Cancel, this, [this](int answer) {
                                        if (answer == Stop) {
                                            m_closeAfterRun = true;
                                            m_run.requestStop();
                                        }
                                        m_run.setHeld(false);
                                    });
}

void ClosePrompt::askToSave()
{
    enum { Save, DontSave, Cancel };
    m_question = AppMessageBox::ask(m_window, QString::fromLatin1(SaveQuestion), QStringLiteral("SaveBeforeClosing"),
                                    {{QStringLiteral("Save"), QMessageBox::AcceptRole},
                                     {QStringLiteral("Don't Save"), QMessageBox::DestructiveRole},
                                     {QStringLiteral("Cancel"), QMessageBox::RejectRole}},
                                    Cancel, this, [this](int answer) {
                                        // A save that fails says so in a box of its own, and the window stays.
                                        if (answer == DontSave || (answer == Save && m_save()))
                                            QTimer::singleShot(0, this, &ClosePrompt::closeAnyway);
                                    });
}

void ClosePrompt::closeAnyway()
{
    m_closing = true;
    if (!m_window->close())
        m_closing = false;
}
