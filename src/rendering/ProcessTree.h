#pragma once

#include <QList>

// A process with every process it started, directly or not, as /proc shows
// them. The web engine renders pages in helper processes of its own, so the
// memory of a renderer is that of its whole tree, and killing it means
// killing the tree: a helper process left alone would keep its memory.
class ProcessTree
{
public:
    // The root and its descendants, parents before their children; empty when
    // the root is gone.
    static QList<qint64> members(qint64 root);

    // The memory the tree holds, in bytes: the sum of each member's
    // proportional set size (a page shared by n processes counts 1/n in each),
    // or its resident set where the kernel gives no proportional figure.
    // Summing plain resident sets would count the engine's shared libraries
    // once per process.
    static qint64 memoryBytes(qint64 root);

    // The memory of one process, as memoryBytes() counts it; 0 when it is gone.
    static qint64 processMemoryBytes(qint64 pid);

    // Sends SIGKILL to every member, the root first so that it cannot start
    // another process meanwhile.
    static void kill(qint64 root);
};
