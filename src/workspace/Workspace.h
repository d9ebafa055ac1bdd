#pragma once

#include "filters/SortedListModel.h"
#include "results/ResultsTable.h"
#include "settings/LinkBackPreferences.h"
#include "settings/ProgramFolder.h"
#include "settings/Settings.h"

#include <QObject>
#include <memory>

class RunStore;
struct UrlRecord;

// The objects the areas of the main window share, for as long as the window
// lives: the settings record, the four lists, the results table and the run
// journal's store. The areas never talk to each other except through these.
class Workspace : public QObject
{
    Q_OBJECT

public:
    // Opens the program folder's run store (runs.sqlite), keeping as many
    // runs as preferences.ini says. A store that cannot be used leaves the
    // program as it was; its message is for the window to show once.
    explicit Workspace(const ProgramFolder& folder, QObject* parent = nullptr);
    ~Workspace() override;

    const ProgramFolder& folder() const { return m_folder; }
    Settings& settings() { return m_settings; }
    SortedListModel& linkList() { return m_linkList; }
    SortedListModel& badWords() { return m_badWords; }       // List1
    SortedListModel& badUrls() { return m_badUrls; }         // List2
    SortedListModel& validStatus() { return m_validStatus; } // List3
    ResultsTable& results() { return m_results; }
    RunStore* runStore() const { return m_runStore.get(); }
    // The user's sites for the link-back proof, from preferences.ini; "3. Config"
    // edits them, each run and test takes them as they are when it starts.
    LinkBackPreferences& linkBack() { return m_linkBack; }

    // "Test this URL", from any area: the configuration test runs on url and
    // its frame comes into view.
    void requestTest(const QString& url) { Q_EMIT testRequested(url); }

    // A link list entry's tooltip: when it was last checked and what came of
    // it, e.g. "Last checked 2026-12-08 09:15: accepted (row 12)".
    static QString lastCheckText(const UrlRecord& record);

Q_SIGNALS:
    void testRequested(const QString& url);

private:
    ProgramFolder m_folder;
    Settings m_settings;
    SortedListModel m_linkList;
    SortedListModel m_badWords;
    SortedListModel m_badUrls;
    SortedListModel m_validStatus;
    ResultsTable m_results;
    LinkBackPreferences m_linkBack;
    std::unique_ptr<RunStore> m_runStore;
};
