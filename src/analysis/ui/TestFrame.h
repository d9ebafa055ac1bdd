#pragma once

#include "platform/ui/WaitCursor.h"

#include <QGroupBox>
#include <memory>
#include <optional>

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

    // "Test" (Command15).
    void test();
    bool isRunning() const;

Q_SIGNALS:
    // The boxes show the texts of a finished test.
    void testFinished();

private:
    void showResult(const TestRunResult& result);
    void setBusy(bool busy);

    std::unique_ptr<Ui::TestFrame> m_ui;
    TestRun* m_run;
    std::optional<WaitCursor> m_busyCursor; // while a test is in flight
};
