#pragma once

class SqliteConnection;

// The tables of the run journal and their version, kept in the file's
// user_version so that a newer program's file is recognised and left alone,
// and an earlier program's file is brought up to this version when opened.
//
// runs: one row per run, with the list as it was at the start (compressed) and
// counters kept up to date by the journal, so that listing runs never counts
// outcomes. outcomes: one row per list entry whose turn completed, keyed by
// run and position; an index by URL answers "when was this URL last checked".
class StoreSchema
{
public:
    static constexpr int Version = 2;

    enum class Verdict
    {
        Ready,    // the tables are there (made now if the file was empty)
        Broken,   // not an SQLite file, damaged, or a database of something else
        Newer,    // written by a newer version of the program
        Locked,   // another connection held the lock past the busy time-out
        ReadOnly, // the file or its folder cannot be written
        Full,     // no room left on the disk
        Failed    // any other error: an I/O error, say
    };

    // Switches the file to write-ahead logging, checks its version and that
    // it can be written, makes the tables in an empty file and brings an
    // earlier version's tables up to this one.
    static Verdict prepare(SqliteConnection& db);
    // The verdict an SQLite result code means, for an error met later.
    static Verdict verdictOf(int code);

private:
    static Verdict create(SqliteConnection& db);
    static Verdict checkTables(SqliteConnection& db);
    static Verdict upgrade(SqliteConnection& db, int from);
};
