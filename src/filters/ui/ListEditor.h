#pragma once

#include "settings/SettingsFields.h"

#include <QString>
#include <QWidget>

class MenuListView;
class ProgramFolder;
class QLineEdit;
class QMenu;
class QPushButton;
class Settings;
class SortedListModel;
struct SaveOutcome;

// The design names and captions that tell the two pattern-list editors apart.
struct ListEditorSetup
{
    QString list;       // List1
    QString entryBox;   // Text23
    QString addButton;  // Command4
    QString fileBox;    // Text24, bound to fileKey by the Config area
    QString loadButton; // Command22
    QString saveButton; // Command21
    QString menu;       // mnupopup2
    QString menuItem;   // mnuRemoveItems
    QString menuText;   // "Remove Selected Item(s)"
    QString hint;
    Key fileKey; // BadWordsFile
};

// Editor of one pattern list (bad words or bad URLs): add an entry, remove the
// selected entries through the right-click menu, load and save the list as the
// file named by a settings field, relative to the program folder.
class ListEditor : public QWidget
{
    Q_OBJECT

public:
    ListEditor(SortedListModel& list, Settings& settings, const ProgramFolder& folder,
               const ListEditorSetup& setup, QWidget* parent = nullptr);

    static ListEditorSetup badWords();
    static ListEditorSetup badUrls();

    // A failed save names the file and the reason; the box is modeless.

    void add();
    void load();
    void save();

    QString filePath() const;

private:
    SortedListModel& m_list;
    Settings& m_settings;
    const ProgramFolder& m_folder;
    Key m_fileKey;
    MenuListView* m_view;
    QLineEdit* m_entry;
    QMenu* m_menu;
};
