#pragma once

#include "platform/CurlTransfer.h"
#include "platform/FetchResult.h"

#include <QElapsedTimer>
#include <QString>
#include <memory>
#include <optional>

// One page the fetch pool was asked for, from its request to its result, with
// every attempt on the way. Owned by FetchPoolEngine; FetchSiteLedger sees it
// while the result is not handed over.
struct FetchJob
{
    FetchJob(quint64 ticket, const QString& url);

    enum class State
    {
        Waiting,   // for a free connection
        Pausing,   // before it is asked again, until dueMs
        Running,   // transfer under way
        Undecided, // timed out; asked again only if its site answered an earlier page
        Settled    // result is final
    };
    // What the result says about its site: it answered (any status line), it
    // was silent (no connection, no answer before a time limit), or neither.
    enum class Answer
    {
        Answered,
        Silent,
        Other
    };

    const quint64 ticket; // also the order the pages were asked for
    const QString url;
    // The per-host limit counts by host name; what the pool remembers of a
    // server goes by host and port, since one port of a host may be closed
    // and another serve.
    QString host;
    QString site;
    State state = State::Waiting;
    int attempts = 0;      // requests sent
    int busyRetries = 0;   // asked again at a busy server's Retry-After
    bool retried = false;  // asked again after a transient failure
    bool answered = false; // some attempt got an answer
    qint64 dueMs = 0;      // the end of a pause, on the engine's clock
    QElapsedTimer clock;   // since the first attempt began
    std::unique_ptr<CurlTransfer> transfer;
    // The answer that stands if the page is not asked again after all (a
    // pause given up, a time-out the site's history does not excuse).
    std::optional<FetchResult> standing;
    std::optional<FetchResult> result; // once Settled
    Answer answer = Answer::Other;     // once Settled or Undecided
};
