#pragma once

#include "settings/RunPreferences.h"

#include <QObject>
#include <QString>
#include <cstdio>
#include <memory>

class RecheckRun;
class RunStore;

// quillmark-batch --recheck: the re-check of the partners' links back over a
// results file or a link list. Prints each page's change, the changes first,
// then the summary line; writes the report when asked. It changes no file but
// the report; its checks go into the program folder's run store.
class RecheckCommand : public QObject
{
    Q_OBJECT

public:
    // Some page had a link into the sites at its last check and has none
    // now, and --fail-on-lost asks to say so. A partner that never linked,
    // or a link still not followed, is no loss.
    static constexpr int LinksLost = 3;

    RecheckCommand(std::FILE* out, std::FILE* err, QObject* parent = nullptr);
    ~RecheckCommand() override;

    struct Request
    {
        QString file;
        QString delimiter;
        QString folder;     // the program folder, where the run store is
        QString reportPath; // empty: no report
        // The sites, the crawler, the limits, the time-out and how many runs
        // the store keeps: the command's preferences.
        RunPreferences preferences;
        bool failOnLost = false;
    };

    // An exit code when done already (a usage error), or -1 when the
    // re-check has started; finished() then gives the code.
    int start(const Request& request);


Q_SIGNALS:
    void finished(int exitCode);

private:
    void onFinished();
    void print(std::FILE* stream, const QString& text);

    std::FILE* m_out;
    std::FILE* m_err;
    Request m_request;
    std::unique_ptr<RunStore> m_store;
    std::unique_ptr<RecheckRun> m_run;
};
