#include "filters/ui/StatusCodesFrame.h"

#include "filters/ListFile.h"
#include "filters/SortedListModel.h"
#include "filters/StatusCodes.h"
#include "filters/ui/ListEditor.h"
#include "platform/SaveOutcome.h"
#include "platform/ui/AppMessageBox.h"
#include "platform/ui/WaitCursor.h"
#include "settings/ProgramFolder.h"
#include "ui_StatusCodesFrame.h"

#include <QGuiApplication>

StatusCodesFrame::StatusCodesFrame(SortedListModel& valid, const ProgramFolder& folder,
                                   std::function<void(const QString&)> navigate, QWidget* parent)
    : QGroupBox(parent), m_ui(std::make_unique<Ui::StatusCodesFrame>()), m_valid(valid), m_folder(folder),
      m_navigate(std::move(navigate))
{
    m_ui->setupUi(this);

    validList()->showList(m_valid);

    availableList()->setSelectionMode(QAbstractItemView::SingleSelection);
    availableList()->addItems(StatusCodes::available());

    m_ui->labelStatusExplain->setForegroundRole(QPalette::Highlight);
    QFont bold = saveButton()->font();
    bold.setBold(true);
    saveButton()->setFont(bold);

    connect(selectButton(), &QPushButton::clicked, this, &StatusCodesFrame::select);
    connect(removeButton(), &QPushButton::clicked, this, &StatusCodesFrame::remove);
    connect(saveButton(), &QPushButton::clicked, this, &StatusCodesFrame::save);
    connect(loadButton(), &QPushButton::clicked, this, &StatusCodesFrame::load);
    connect(helpButton(), &QPushButton::clicked, this, [this] {
        if (m_navigate)
            m_navigate(QString::fromLatin1(HelpAddress));
    });
}

StatusCodesFrame::~StatusCodesFrame() = default;

MenuListView* StatusCodesFrame::validList() const
{
    return m_ui->List3;
}

QListWidget* StatusCodesFrame::availableList() const
{
    return m_ui->List4;
}

QPushButton* StatusCodesFrame::helpButton() const
{
    return m_ui->Command5;
}

QPushButton* StatusCodesFrame::selectButton() const
{
    return m_ui->Command6;
}

QPushButton* StatusCodesFrame::removeButton() const
{
    return m_ui->Command7;
}

QPushButton* StatusCodesFrame::saveButton() const
{
    return m_ui->Command9;
}

QPushButton* StatusCodesFrame::loadButton() const
{
    return m_ui->Command42;
}

void StatusCodesFrame::select()
{
    // Available never gives its entry away: the same line can be picked again.
    const QList<QListWidgetItem*> picked = availableList()->selectedItems();
    if (!picked.isEmpty())
        m_valid.add(picked.first()->text());
}

void StatusCodesFrame::remove()
{
    m_valid.removeSelectedItems();
}

void StatusCodesFrame::save()
{
    SaveOutcome outcome;
    {
        WaitCursor busy;
        outcome = SaveListToFile(m_folder.statusCodesFile(), m_valid.entries());
    }
    if (!outcome.ok)
        AppMessageBox::open(this, QMessageBox::Warning, outcome.message());
}

void StatusCodesFrame::load()
{
    WaitCursor busy;
    LoadListFromFile(m_valid, m_folder.statusCodesFile(), MissingListFile::EmptyList);
}
