#pragma once

#include <QtGlobal>
#include <csetjmp>
#include <functional>
#include <vector>

// The memory of one gumbo parse. Small blocks come from large chunks with a
// free list per size, so the parser's many small allocations cost little, and
// the whole tree goes at once when the arena goes: gumbo's own way of freeing
// a tree recurses once per level, and a page nested a million levels deep
// would overflow the stack.
//
// The arena is also where a parse is stopped: every few thousand allocations
// it looks at the processor time spent and the memory in use, and past the
// limits (or when the owner cancels) it jumps back to the point set by
// HtmlTree, out of gumbo, which keeps all its state in this arena.
class GumboArena
{
public:
    struct Limits
    {
        qint64 cpuMilliseconds = 0; // 0: no limit
        qint64 memoryBytes = 0;     // 0: no limit
        std::function<bool()> cancelled;
    };

    explicit GumboArena(const Limits& limits);
    ~GumboArena();
    GumboArena(const GumboArena&) = delete;
    GumboArena& operator=(const GumboArena&) = delete;

    // gumbo's allocator interface; the user data is the arena.
    static void* allocate(void* arena, size_t size);
    static void deallocate(void* arena, void* block);

    // Set by the caller right before the parse; the arena jumps there when a
    // limit is passed.
    std::jmp_buf* escape = nullptr;

    qint64 bytesInUse() const { return m_bytes; }
    qint64 peakBytes() const { return m_peak; }

private:
    static constexpr size_t Granule = 16;
    static constexpr size_t SmallClasses = 32; // blocks of up to 512 bytes
    static constexpr size_t ChunkBytes = 256 * 1024;

    void* take(size_t size);
    void give(void* block);
    void checkLimits();
    void grow(qint64 bytes);

    Limits m_limits;
    qint64 m_cpuStartNs = 0;
    std::vector<char*> m_chunks;
    char* m_cursor = nullptr;
    char* m_end = nullptr;
    void* m_free[SmallClasses + 1] = {};
    void* m_large = nullptr; // doubly linked list of large blocks
    qint64 m_bytes = 0;
    qint64 m_peak = 0;
    unsigned m_sinceCheck = 0;
};
