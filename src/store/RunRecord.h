#pragma once

#include <QString>

// One stored run, as the lists of runs show it. When a run begins, the caller
// fills the fields marked "given"; the store fills the others.
struct RunRecord
{
    // How the run ended. Interrupted: it never said (killed, crashed, power
    // lost), or it is still going in this or another process (see live).
    enum class Ending
    {
        Interrupted = 0,
        Done = 1,
        Stopped = 2
    };

    qint64 id = 0;
    qint64 startedAt = 0; // ms since 1970 UTC
    qint64 endedAt = 0;   // 0 while going or interrupted
    Ending ending = Ending::Interrupted;
    bool live = false;    // a journal of this or another process is writing it now
    // Someone answered the question an interrupted run asks. Given as true for
    // a run no one could go on with (a re-check), which then never asks it.
    bool settled = false;
    int listSize = 0;     // entries of the list when the run started
    int processed = 0;    // entries whose outcome is stored
    int rows = 0;         // the highest row number stored

    // Given: where the list came from, for the headless command (a path made
    // absolute and canonical by the caller, and a hash of the file's bytes);
    // both empty for a list of the window.
    QString listPath;
    QString listHash;
    // Given: anything else the caller needs to go on with the run later, opaque
    // to the store (for example the settings the run was started with).
    QString context;

    bool interrupted() const { return ending == Ending::Interrupted && !live; }
};
