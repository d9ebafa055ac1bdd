#pragma once

#include "platform/FetchLimits.h"
#include "run/LinkBackSetup.h"

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
        LinkBackSetup setup;
        FetchLimits limits;
        bool failOnLost = false;
        int keepRuns = 50; // [Run] KeepRuns: the store keeps no more runs
    };

    // An exit code when done already (a usage error), or -1 when the
    // re-check has started; finished() then gives the code.
    int start(const Request& request);

    // The sites of --my-site, else those of preferences.ini in folder. A
    // wrong entry on the command line is an error; one in the file only a
    // warning, as the window shows it under its box.
    static LinkBackSetup linkBackSetup(const QString& folder, const QStringList& mySites,
                                       bool acceptOnlyFollowed, QStringList* errors, QStringList* warnings);

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
