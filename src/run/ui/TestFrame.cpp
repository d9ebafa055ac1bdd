#include "run/ui/TestFrame.h"

#include "run/TestRun.h"
#include "settings/RunPreferencesHolder.h"
#include "ui_TestFrame.h"
#include "workspace/Workspace.h"

#include <QGuiApplication>

TestFrame::TestFrame(Workspace& workspace, QWidget* parent) : TestFrame(workspace, FetchOptions{}, parent) {}

TestFrame::TestFrame(Workspace& workspace, const FetchOptions& fetchOptions, QWidget* parent)
    : QGroupBox(parent), m_ui(std::make_unique<Ui::TestFrame>()), m_workspace(workspace),
      m_run(new TestRun(workspace.settings(), workspace.badWords(), workspace.validStatus(), fetchOptions,
                        this))
{
    m_ui->setupUi(this);
    connect(testButton(), &QPushButton::clicked, this, &TestFrame::test);
    connect(urlBox(), &QLineEdit::returnPressed, this, &TestFrame::test);
    connect(m_run, &TestRun::runningChanged, this, &TestFrame::setBusy);
    connect(m_run, &TestRun::finished, this, &TestFrame::showResult);
    connect(&workspace, &Workspace::testRequested, this, &TestFrame::testUrl);
    // The time-out of the "4. Data" strip and the sites of "My sites:", as
    // the window's preferences hold them now.
    m_run->setPreferences(workspace.preferences().values());
    connect(&workspace.preferences(), &RunPreferencesHolder::changed, m_run, &TestRun::setPreferences);
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
    m_run->start(urlBox()->text(), emailBox()->text());
}

void TestFrame::testUrl(const QString& url)
{
    m_workspace.settings().setText(Key::TestURL, url);
    urlBox()->setText(url);
    urlBox()->setCursorPosition(0); // the site's name, not the end of a long path
    test();
}

void TestFrame::showResult(const TestRunResult& result)
{
    sourceBox()->setPlainText(result.source);
    headersBox()->setPlainText(result.headers);
    verdictLabel()->setText(result.verdict);
    titleBox()->setPlainText(result.title);
    emailBox()->setText(result.email);
    descriptionBox()->setPlainText(result.description);
    Q_EMIT testFinished();
}

void TestFrame::setBusy(bool busy)
{
    if (busy && !m_busyCursor)
        m_busyCursor.emplace(Qt::BusyCursor);
    else if (!busy)
        m_busyCursor.reset();
}

QLineEdit* TestFrame::urlBox() const
{
    return m_ui->Text2;
}

QPushButton* TestFrame::testButton() const
{
    return m_ui->Command15;
}

QPlainTextEdit* TestFrame::sourceBox() const
{
    return m_ui->RichTextBox1;
}

QPlainTextEdit* TestFrame::headersBox() const
{
    return m_ui->Text32;
}

QLabel* TestFrame::verdictLabel() const
{
    return m_ui->Label18;
}

QPlainTextEdit* TestFrame::titleBox() const
{
    return m_ui->Text3;
}

QLineEdit* TestFrame::emailBox() const
{
    return m_ui->Text4;
}

QPlainTextEdit* TestFrame::descriptionBox() const
{
    return m_ui->Text7;
}
