#include "filters/ui/ListEditor.h"

#include "Version.h"
#include "filters/ListFile.h"
#include "filters/SortedListModel.h"
#include "filters/ui/MenuListView.h"
#include "platform/SaveOutcome.h"
#include "platform/ui/AppMessageBox.h"
#include "platform/ui/WaitCursor.h"
#include "settings/ProgramFolder.h"
#include "settings/Settings.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QPushButton* button(const QString& name, const QString& text, QWidget* parent)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    return b;
}

} // namespace

ListEditorSetup ListEditor::badWords()
{
    return {QStringLiteral("List1"),
            QStringLiteral("Text23"),
            QStringLiteral("Command4"),
            QStringLiteral("Text24"),
            QStringLiteral("Command22"),
            QStringLiteral("Command21"),
            QStringLiteral("mnupopup2"),
            QStringLiteral("mnuRemoveItems"),
            QStringLiteral("Remove Selected Item(s)"),
            QStringLiteral("Select and right-click the word(s) you wish to be removed from the list."),
            Key::BadWordsFile};
}

ListEditorSetup ListEditor::badUrls()
{
    return {QStringLiteral("List2"),
            QStringLiteral("Text29"),
            QStringLiteral("Command39"),
            QStringLiteral("Text28"),
            QStringLiteral("Command38"),
            QStringLiteral("Command37"),
            QStringLiteral("mnupopup3"),
            QStringLiteral("mnuRemoveDomains"),
            QStringLiteral("Remove Selected Domain(s)"),
            QStringLiteral("Select and right-click the URLs you wish to be removed from the list."),
            Key::BadDomainsFile};
}

ListEditor::ListEditor(SortedListModel& list, Settings& settings, const ProgramFolder& folder,
                       const ListEditorSetup& setup, QWidget* parent)
    : QWidget(parent), m_list(list), m_settings(settings), m_folder(folder), m_fileKey(setup.fileKey),
      m_view(new MenuListView(this)), m_entry(new QLineEdit(this)), m_menu(new QMenu(this))
{
    m_view->setObjectName(setup.list);
    // The model's own selection is the one the remove command acts on.
    m_view->showList(m_list);

    m_entry->setObjectName(setup.entryBox);
    auto* add = button(setup.addButton, QStringLiteral("Add"), this);
    auto* fileLabel = new QLabel(QStringLiteral("File:"), this);
    auto* fileBox = new QLineEdit(this);
    fileBox->setObjectName(setup.fileBox);
    fileLabel->setBuddy(fileBox);
    auto* load = button(setup.loadButton, QStringLiteral("Load"), this);
    auto* save = button(setup.saveButton, QStringLiteral("Save"), this);
    QFont bold = save->font();
    bold.setBold(true);
    save->setFont(bold);
    auto* hint = new QLabel(setup.hint, this);
    hint->setWordWrap(true);

    m_menu->setObjectName(setup.menu);
    QAction* remove = m_menu->addAction(setup.menuText);
    remove->setObjectName(setup.menuItem);

    auto* side = new QVBoxLayout;
    side->addWidget(m_entry);
    side->addWidget(add);
    side->addStretch(1);
    side->addWidget(fileLabel);
    side->addWidget(fileBox);
    auto* files = new QHBoxLayout;
    files->addWidget(load);
    files->addWidget(save);
    side->addLayout(files);

    auto* grid = new QGridLayout(this);
    grid->addWidget(hint, 0, 0, 1, 2);
    grid->addWidget(m_view, 1, 0);
    grid->addLayout(side, 1, 1);
    grid->setColumnStretch(0, 3);
    grid->setColumnStretch(1, 2);

    connect(add, &QPushButton::clicked, this, &ListEditor::add);
    connect(m_entry, &QLineEdit::returnPressed, this, &ListEditor::add);
    connect(load, &QPushButton::clicked, this, &ListEditor::load);
    connect(save, &QPushButton::clicked, this, &ListEditor::save);
    connect(remove, &QAction::triggered, &m_list, &SortedListModel::removeSelectedItems);
    connect(m_view, &MenuListView::menuRequested, this, [this](const QPoint& at) { m_menu->popup(at); });
}

void ListEditor::add()
{
    // Taken exactly as typed: blanks are part of a pattern.
    const QString text = m_entry->text();
    if (!text.isEmpty())
        m_list.add(text);
    m_entry->clear();
}

QString ListEditor::filePath() const
{
    return m_folder.filePath(m_settings.text(m_fileKey));
}

void ListEditor::load()
{
    WaitCursor busy;
    LoadListFromFile(m_list, filePath(), MissingListFile::KeepList);
}

void ListEditor::save()
{
    SaveOutcome outcome;
    {
        WaitCursor busy;
        outcome = SaveListToFile(filePath(), m_list.entries());
    }
    if (!outcome.ok)
        AppMessageBox::open(this, QMessageBox::Warning, outcome.message());
}
