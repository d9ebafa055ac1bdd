#include "analysis/ui/TestFrame.h"

#include "analysis/TestRun.h"
#include "shell/Workspace.h"
#include "ui_TestFrame.h"

#include <QGuiApplication>

TestFrame::TestFrame(Workspace& workspace, QWidget* parent) : TestFrame(workspace, FetchOptions{}, parent) {}

TestFrame::TestFrame(Workspace& workspace, const FetchOptions& fetchOptions, QWidget* parent)
    : QGroupBox(parent), m_ui(std::make_unique<Ui::TestFrame>()),
      m_run(new TestRun(workspace.settings(), workspace.badWords(), workspace.validStatus(), fetchOptions,
                        this))
{
    m_ui->setupUi(this);
    connect(m_ui->Command15, &QPushButton::clicked, this, &TestFrame::test);
    connect(m_ui->Text2, &QLineEdit::returnPressed, this, &TestFrame::test);
    connect(m_run, &TestRun::runningChanged, this, &TestFrame::setBusy);
    connect(m_run, &TestRun::finished, this, &TestFrame::showResult);
}

TestFrame::~TestFrame()
{
    setBusy(false);
}

bool TestFrame::isRunning() const
{
    return m_run->isRunning();
}

void TestFrame::test()
{
    // A press while a test is in flight starts over with the URL as it is now;
    // the earlier fetch is dropped and never shows.
    m_run->start(m_ui->Text2->text(), m_ui->Text4->text());
}

void TestFrame::showResult(const TestRunResult& result)
{
    m_ui->RichTextBox1->setPlainText(result.source);
    m_ui->Text32->setPlainText(result.headers);
    m_ui->Label18->setText(result.verdict);
    m_ui->Text3->setPlainText(result.title);
    m_ui->Text4->setText(result.email);
    m_ui->Text7->setPlainText(result.description);
    Q_EMIT testFinished();
}

void TestFrame::setBusy(bool busy)
{
    if (busy && !m_busyCursor)
        m_busyCursor.emplace(Qt::BusyCursor);
    else if (!busy)
        m_busyCursor.reset();
}
