#pragma once

#include <QDateTime>
#include <QString>

class SqliteConnection;

// Opens the run journal's file for the store, whatever state it is in. A good
// or missing file gives a ready store. A damaged one, or a file that is not a
// run journal at all, is moved aside with the date in its name, never deleted,
// and a new store is made. A file from a newer version, one another program
// keeps locked, or one that cannot be written leaves the store unavailable.
// Every case but a plain ready store comes with one sentence for the user.
class StoreOpener
{
public:
    enum class State
    {
        Ready,      // open; no message
        Replaced,   // open on a new file; the message says where the old one went
        Unavailable // not open; the message says why
    };

    struct Result
    {
        State state = State::Unavailable;
        QString message;
    };

    static Result open(SqliteConnection& db, const QString& path, int busyTimeoutMs);

    // Renames the file and its write-ahead log beside it, to
    // "<name>.broken-<yyyy-MM-ddTHHmmss>" (with "-2", "-3"... when taken).
    // Returns the new path of the file, empty when it could not be moved.
    static QString moveAside(const QString& path, const QDateTime& when = QDateTime::currentDateTime());

    // The sentence for a store that failed while in use.
    static QString failureMessage(int verdict, const QString& path, bool atOpen);
};
