#pragma once

#include "platform/ui/WaitCursor.h"

#include <QGroupBox>
#include <memory>
#include <optional>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class TestRun;
class Workspace;
struct FetchOptions;
struct TestRunResult;

namespace Ui {
class TestFrame;
}

// The frame "Test this configuration": one URL, fetched and run through the
// current settings, with every intermediate result shown in its box. The
// fetch runs off the UI thread; the window keeps painting meanwhile and shows
// the arrow with hourglass until the texts are in.
class TestFrame : public QGroupBox
{
    Q_OBJECT

public:
    explicit TestFrame(Workspace& workspace, QWidget* parent = nullptr);
    TestFrame(Workspace& workspace, const FetchOptions& fetchOptions, QWidget* parent = nullptr);
    ~TestFrame() override;

    // "Test".
    void test();
    // Puts url into the URL box, and so into the settings' test URL, as if
    // the user had typed it, then tests it.
    void testUrl(const QString& url);
    bool isRunning() const;

Q_SIGNALS:
    // The boxes show the texts of a finished test.
    void testFinished();

private:
    void showResult(const TestRunResult& result);
    void setBusy(bool busy);

    // The form's controls by what they are; the form keeps their design names.
    QLineEdit* urlBox() const;              // Text2
    QPushButton* testButton() const;        // Command15
    QPlainTextEdit* sourceBox() const;      // RichTextBox1
    QPlainTextEdit* headersBox() const;     // Text32
    QLabel* verdictLabel() const;           // Label18
    QPlainTextEdit* titleBox() const;       // Text3
    QLineEdit* emailBox() const;            // Text4
    QPlainTextEdit* descriptionBox() const; // Text7

    std::unique_ptr<Ui::TestFrame> m_ui;
    Workspace& m_workspace;
    TestRun* m_run;
    std::optional<WaitCursor> m_busyCursor; // while a test is in flight
};
