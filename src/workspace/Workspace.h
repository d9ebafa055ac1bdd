#pragma once

#include "filters/SortedListModel.h"
#include "results/ResultsTable.h"
#include "settings/LinkBackPreferences.h"
#include "settings/ProgramFolder.h"
#include "settings/RunPreferencesHolder.h"
#include "settings/Settings.h"

#include <QObject>
#include <memory>

class RunStore;
struct UrlRecord;

// The objects the areas of the main window share, for as long as the window
// lives: the settings record, the four lists, the results table, the run
// preferences and the run journal's store. The areas never talk to each other
// except through these.
class Workspace : public QObject
{
    Q_OBJECT

public:
    // Reads preferences.ini and opens the program folder's run store
    // (runs.sqlite), keeping as many runs as the preferences say. A store
    // that cannot be used leaves the program as it was; its message is for
    // the window to show once.
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
    // preferences.ini, read once when the window opens: the run strip of
    // "4. Data" and "My sites:" of "3. Config" change it (and so the file);
    // every run, test and re-check of the window takes its values from it.
    RunPreferencesHolder& preferences() { return m_preferences; }
    // The user's sites for the link-back proof, as the preferences hold them;
    // each run and test takes them as they are when it starts.
    const LinkBackPreferences& linkBack() const { return m_preferences.values().linkBack(); }

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
    RunPreferencesHolder m_preferences;
    std::unique_ptr<RunStore> m_runStore;
};
