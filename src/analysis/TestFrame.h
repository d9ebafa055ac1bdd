#pragma once

#include <QGroupBox>
#include <memory>

class Workspace;

namespace Ui {
class TestFrame;
}

// The frame "Test this configuration": one URL, fetched and run through the
// current settings, with every intermediate result shown in its box.
class TestFrame : public QGroupBox
{
    Q_OBJECT

public:
    explicit TestFrame(Workspace& workspace, QWidget* parent = nullptr);
    ~TestFrame() override;

private:
    std::unique_ptr<Ui::TestFrame> m_ui;
    Workspace& m_workspace;
};
