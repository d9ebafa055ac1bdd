#pragma once

#include <QList>

// A process with every process it started, directly or not, as /proc shows
// them. The web engine renders pages in child processes of its own, so the
// memory of a renderer is that of its whole tree, and killing it means
// killing the tree: a child process left alone would keep its memory.
class ProcessTree
{
public:
    // The root and its descendants, parents before their children; empty when
    // the root is gone.
    static QList<qint64> members(qint64 root);

    // The memory the tree's processes hold of their own, in bytes: the sum of
    // each member's anonymous and shared-memory resident pages (RssAnon and
    // RssShmem), or its whole resident set where the kernel does not split it.
    // The pages mapped from files are left out: they are the engine's
    // libraries, the same in every process and shared with them, and a plain
    // sum of resident sets would count them once per process (some 240 MB for
    // an idle renderer, against some 45 MB of its own). Read from
    // /proc/<pid>/status, which costs a fraction of a millisecond where the
    // proportional sizes of smaps_rollup cost some 10 ms a process.
    static qint64 memoryBytes(qint64 root);

    // The memory of one process, as memoryBytes() counts it; 0 when it is gone.
    static qint64 processMemoryBytes(qint64 pid);

    // Sends SIGKILL to every member, the root first so that it cannot start
    // another process meanwhile.
    static void kill(qint64 root);
};
