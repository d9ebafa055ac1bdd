#pragma once

#include "filters/SortedListModel.h"
#include "results/ResultsTable.h"
#include "settings/RunPreferencesHolder.h"
#include "settings/Settings.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <cstdio>
#include <memory>

class BatchJournal;
class BatchRun;
class RecheckCommand;
class RunTableFeed;
class TestRun;
struct TestRunResult;

// The headless command: parses its arguments, loads the settings and lists of
// the program folder the way the window's start-up does, then runs the batch
// run over a links file (writing the rows as "Save to ASCII File" does, and
// with --report every URL's outcome), resumes a run or retries its failed URLs
// from the run journal, re-checks the links back, or runs the test on one URL.
// Messages go to the streams given.
class BatchCommand : public QObject
{
    Q_OBJECT

public:
    enum ExitCode
    {
        Success = 0,
        WriteFailed = 1,
        UsageError = 2
    };

    BatchCommand(const QStringList& arguments, std::FILE* out, std::FILE* err, QObject* parent = nullptr);
    ~BatchCommand() override;

    // Returns an exit code when the command is already done (help, a usage
    // error), or -1 when a run has started; finished() then gives the code.
    int start();

    // As "Stop": the URL at work is finished, the rows so far are written.
    // False when no batch run is going, so there is nothing to stop.
    bool requestStop();

Q_SIGNALS:
    void finished(int exitCode);

private:
    int fail(const QString& message);
    void print(std::FILE* stream, const QString& text);
    bool loadFolder(const QString& folderOption);
    int startBatch(const QString& linksFile, const QString& outputOption);
    int startStoredRun(const QString& linksFile, const QStringList& urls);
    int startTest(const QString& url);
    int startRecheck(const QString& file, bool failOnLost);
    void onBatchFinished();
    void onTestFinished(const TestRunResult& result);

    QStringList m_arguments;
    std::FILE* m_out;
    std::FILE* m_err;
    QString m_folder;
    QString m_outputPath;
    QString m_reportPath; // empty: no report
    enum class Continue
    {
        No,
        Resume,     // --resume
        RetryFailed // --retry-failed
    } m_continue = Continue::No;
    // preferences.ini of the folder, read once, with the options given over
    // it; every run, test and re-check of the command takes its values here.
    RunPreferencesHolder m_preferences{RunPreferences()};
    Settings m_settings;
    SortedListModel m_badWords;
    SortedListModel m_validStatus;
    ResultsTable m_results;
    std::unique_ptr<BatchRun> m_batch;
    std::unique_ptr<RunTableFeed> m_feed; // declared after the run: goes first
    std::unique_ptr<BatchJournal> m_journal; // after the run: destroyed first, it lets the run's end be written
    std::unique_ptr<TestRun> m_test;
    std::unique_ptr<RecheckCommand> m_recheck;
};
