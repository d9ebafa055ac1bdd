#pragma once

#include "links/LinkListOps.h"
#include "platform/ui/WaitCursor.h"

#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

class DocumentSource;
class QFileDialog;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;
class Workspace;
struct PageAnchors;

namespace Ui {
class LinksArea;
}

// The "2. Links" area: the link list with its counter, "Get links", the typed
// address box and the commands that clean and save the list. Everything runs
// on the UI thread; the two waits (the page's anchors, the save dialog) are
// answered through signals, never by a nested event loop.
class LinksArea : public QWidget
{
    Q_OBJECT

public:
    using Navigate = std::function<void(const QString&)>;

    LinksArea(Workspace& workspace, DocumentSource& source, Navigate navigate, QWidget* parent = nullptr);
    ~LinksArea() override;

    bool clearBeforeAdding() const;

public Q_SLOTS:
    void getLinks();
    void addTypedLink();
    void saveLinks();
    void clearLinks();
    void removeBadUrlMatches();
    void copyLink();

Q_SIGNALS:
    // One "Get links" has received the page's anchors and updated the list.
    void linksHarvested(int added);
    // The save dialog closed; saved says whether a file was written.
    void saveFinished(bool saved, const QString& path);

private:
    void onAnchors(const PageAnchors& page);
    void onSaveDialogFinished(int result);
    void openCurrentEntry();
    void showCounter(int count);
    void showLinkCount();

    // The form's controls by what they are; the form keeps their design names.
    QPushButton* getLinksButton() const;           // Command10
    QPushButton* saveLinksButton() const;          // Command2
    QPushButton* clearAllButton() const;           // Command3
    QPushButton* removeBadUrlsButton() const;      // Command12
    QRadioButton* clearBeforeAddingOption() const; // Option17
    QLineEdit* typedAddressBox() const;            // Text31
    QLabel* linkCounter() const;                   // Label2

    std::unique_ptr<Ui::LinksArea> m_ui;
    Workspace& m_workspace;
    DocumentSource& m_source;
    Navigate m_navigate;
    LinkListOps m_ops;
    QMenu* m_popup = nullptr;
    QPointer<QFileDialog> m_saveDialog;
    QString m_lastSaveName;
    int m_pendingHarvests = 0;                 // "Get links" presses still waiting for the page's anchors
    std::optional<WaitCursor> m_harvestCursor; // while m_pendingHarvests > 0
    std::optional<WaitCursor> m_saveCursor;    // while the save dialog is open
};
