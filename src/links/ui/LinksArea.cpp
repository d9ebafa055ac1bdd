#include "links/ui/LinksArea.h"

#include "filters/ListFile.h"
#include "filters/SortedListModel.h"
#include "platform/DocumentSource.h"
#include "platform/ui/AppMessageBox.h"
#include "platform/ui/WaitCursor.h"
#include "ui_LinksArea.h"
#include "workspace/Workspace.h"

#include <QAction>
#include <QClipboard>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QGuiApplication>
#include <QMenu>

LinksArea::LinksArea(Workspace& workspace, DocumentSource& source, Navigate navigate, QWidget* parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::LinksArea>()), m_workspace(workspace), m_source(source),
      m_navigate(std::move(navigate)), m_ops(workspace.linkList())
{
    m_ui->setupUi(this);

    SortedListModel& links = m_workspace.linkList();
    // The model owns the selection, so the commands below see the same
    // selection and current entry as the view.
    m_ui->Links->showList(links);
    showLinkCount();
    // Whoever changes the list, the counter ends at its size.
    connect(&links, &SortedListModel::countChanged, this, &LinksArea::showCounter);

    m_popup = new QMenu(this);
    m_popup->setObjectName(QStringLiteral("mnupopup"));
    QAction* remove = m_popup->addAction(QStringLiteral("Remove Selected URL(s)"));
    remove->setObjectName(QStringLiteral("mnuRemove"));
    QAction* copy = m_popup->addAction(QStringLiteral("&Copy Link"));
    copy->setObjectName(QStringLiteral("mnucopy"));
    QAction* testThis = m_popup->addAction(QStringLiteral("Test this URL"));
    testThis->setObjectName(QStringLiteral("mnutest"));

    connect(getLinksButton(), &QPushButton::clicked, this, &LinksArea::getLinks);
    connect(typedAddressBox(), &QLineEdit::returnPressed, this, &LinksArea::addTypedLink);
    connect(saveLinksButton(), &QPushButton::clicked, this, &LinksArea::saveLinks);
    connect(clearAllButton(), &QPushButton::clicked, this, &LinksArea::clearLinks);
    connect(removeBadUrlsButton(), &QPushButton::clicked, this, &LinksArea::removeBadUrlMatches);
    connect(remove, &QAction::triggered, this, [this] {
        m_workspace.linkList().removeSelectedItems();
        showLinkCount();
    });
    connect(copy, &QAction::triggered, this, &LinksArea::copyLink);
    connect(testThis, &QAction::triggered, this, [this] {
        const SortedListModel& links = m_workspace.linkList();
        if (links.currentRow() >= 0)
            m_workspace.requestTest(links.at(links.currentRow()));
    });
    connect(m_ui->Links, &MenuListView::menuRequested, m_popup,
            [this](const QPoint& globalPos) { m_popup->popup(globalPos); });
    connect(m_ui->Links, &QAbstractItemView::doubleClicked, this, &LinksArea::openCurrentEntry);
}

// Answers that can no longer arrive take the busy pointers with them.
LinksArea::~LinksArea() = default;

QPushButton* LinksArea::getLinksButton() const
{
    return m_ui->Command10;
}

QPushButton* LinksArea::saveLinksButton() const
{
    return m_ui->Command2;
}

QPushButton* LinksArea::clearAllButton() const
{
    return m_ui->Command3;
}

QPushButton* LinksArea::removeBadUrlsButton() const
{
    return m_ui->Command12;
}

QRadioButton* LinksArea::clearBeforeAddingOption() const
{
    return m_ui->Option17;
}

QLineEdit* LinksArea::typedAddressBox() const
{
    return m_ui->Text31;
}

QLabel* LinksArea::linkCounter() const
{
    return m_ui->Label2;
}

bool LinksArea::clearBeforeAdding() const
{
    return clearBeforeAddingOption()->isChecked();
}

void LinksArea::getLinks()
{
    if (clearBeforeAdding())
        m_workspace.linkList().clear();
    showCounter(0);

    if (!m_harvestCursor)
        m_harvestCursor.emplace(Qt::WaitCursor);
    ++m_pendingHarvests;
    m_source.readAnchors(this, [this](const PageAnchors& page) { onAnchors(page); });
}

void LinksArea::onAnchors(const PageAnchors& page)
{
    const int added = m_ops.addHarvest(page);
    showLinkCount();
    if (m_pendingHarvests > 0 && --m_pendingHarvests == 0)
        m_harvestCursor.reset();
    emit linksHarvested(added);
}

void LinksArea::addTypedLink()
{
    if (!m_ops.addTypedLink(typedAddressBox()->text(), clearBeforeAdding()))
        return;
    typedAddressBox()->setText(QStringLiteral("http://"));
    showLinkCount();
}

void LinksArea::saveLinks()
{
    if (m_saveDialog) {
        m_saveDialog->raise();
        m_saveDialog->activateWindow();
        return;
    }
    m_saveCursor.emplace(Qt::BusyCursor);

    auto* dialog = new QFileDialog(this, QStringLiteral("Save Links"), m_workspace.folder().path());
    dialog->setObjectName(QStringLiteral("SaveLinksDialog"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    // The user may overwrite a saved list without being asked, and a typed
    // name is taken as typed: no extension is added.
    dialog->setOption(QFileDialog::DontConfirmOverwrite);
    dialog->setDefaultSuffix(QString());
    // Qt's own dialog on every desktop: the same behaviour everywhere, and the
    // "all files" choice below can be made to mean what it says.
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    const QString textFiles = QStringLiteral("list files (*.txt)");
    const QString allFiles = QStringLiteral("all files or custom (*.*)");
    dialog->setNameFilters({textFiles, allFiles});
    dialog->selectNameFilter(textFiles);
    // "*.*" is the Windows spelling of "every file"; taken literally here it
    // would hide every file without an extension.
    connect(dialog, &QFileDialog::filterSelected, dialog, [dialog, allFiles](const QString& filter) {
        if (filter != allFiles)
            return;
        if (auto* model = dialog->findChild<QFileSystemModel*>())
            model->setNameFilters({});
    });
    if (!m_lastSaveName.isEmpty())
        dialog->selectFile(m_lastSaveName);
    connect(dialog, &QDialog::finished, this, &LinksArea::onSaveDialogFinished);
    m_saveDialog = dialog;
    dialog->open();
}

void LinksArea::onSaveDialogFinished(int result)
{
    QString path;
    if (result == QDialog::Accepted && m_saveDialog) {
        const QStringList chosen = m_saveDialog->selectedFiles();
        if (!chosen.isEmpty())
            path = chosen.first();
    }
    m_saveDialog = nullptr;

    bool saved = false;
    if (!path.isEmpty()) {
        m_lastSaveName = path;
        const SaveOutcome outcome = SaveListToFile(path, m_workspace.linkList().entries());
        saved = outcome.ok;
        if (!outcome.ok) {
            AppMessageBox::open(this, QMessageBox::Warning, outcome.message(),
                                QStringLiteral("SaveLinksFailed"));
        }
    }
    m_saveCursor.reset();
    emit saveFinished(saved, path);
}

void LinksArea::clearLinks()
{
    m_workspace.linkList().clear();
    showCounter(0);
}

void LinksArea::removeBadUrlMatches()
{
    const WaitCursor busy;
    m_ops.removeBadUrlMatches(m_workspace.badUrls().entries());
    showLinkCount();
}

void LinksArea::copyLink()
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    const SortedListModel& links = m_workspace.linkList();
    const int row = links.currentRow();
    if (row >= 0)
        clipboard->setText(links.at(row));
}

void LinksArea::openCurrentEntry()
{
    const SortedListModel& links = m_workspace.linkList();
    const int row = links.currentRow();
    if (row >= 0 && m_navigate)
        m_navigate(links.at(row));
}

void LinksArea::showCounter(int count)
{
    linkCounter()->setText(QString::number(count));
}

void LinksArea::showLinkCount()
{
    showCounter(m_workspace.linkList().count());
}
