#include "analysis/TestFrame.h"

#include "shell/Workspace.h"
#include "ui_TestFrame.h"

TestFrame::TestFrame(Workspace& workspace, QWidget* parent)
    : QGroupBox(parent), m_ui(std::make_unique<Ui::TestFrame>()), m_workspace(workspace)
{
    m_ui->setupUi(this);
}

TestFrame::~TestFrame() = default;
