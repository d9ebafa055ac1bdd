#include "linkback/GumboArena.h"

#include <cstdlib>
#include <ctime>
#include <new>

namespace {

// Every block starts with a header of one granule; the user's part follows.
// Small blocks keep their size class in it; large ones also link themselves
// into a list so the arena can free those still alive at its end.
struct Header
{
    Header* prev;
    Header* next;
};
static_assert(sizeof(Header) == 16);

struct LargeHeader
{
    Header links;
    size_t size;
    size_t sizeClass; // always 0: marks a large block
};

constexpr size_t LargeOverhead = sizeof(LargeHeader);

qint64 threadCpuNanoseconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

size_t& classOf(void* block)
{
    return *reinterpret_cast<size_t*>(static_cast<char*>(block) - sizeof(size_t));
}

// The chunks of finished parses, kept for the next parse on the same
// thread: memory fresh from the system costs a page fault every 4 KiB, a
// good part of a parse's time, and a run parses page after page.
struct SpareChunks
{
    static constexpr size_t Most = 32; // 8 MiB
    std::vector<char*> chunks;
    ~SpareChunks()
    {
        for (char* chunk : chunks)
            std::free(chunk);
    }
};
thread_local SpareChunks t_spare;

} // namespace

GumboArena::GumboArena(const Limits& limits) : m_limits(limits), m_cpuStartNs(threadCpuNanoseconds()) {}

GumboArena::~GumboArena()
{
    for (char* chunk : m_chunks) {
        if (t_spare.chunks.size() < SpareChunks::Most)
            t_spare.chunks.push_back(chunk);
        else
            std::free(chunk);
    }
    auto* large = static_cast<Header*>(m_large);
    while (large) {
        Header* next = large->next;
        std::free(large);
        large = next;
    }
}

void* GumboArena::allocate(void* arena, size_t size)
{
    auto* self = static_cast<GumboArena*>(arena);
    if (++self->m_sinceCheck >= 4096) {
        self->m_sinceCheck = 0;
        self->checkLimits();
    }
    return self->take(size);
}

void GumboArena::deallocate(void* arena, void* block)
{
    if (block)
        static_cast<GumboArena*>(arena)->give(block);
}

void GumboArena::grow(qint64 bytes)
{
    m_bytes += bytes;
    if (m_bytes > m_peak)
        m_peak = m_bytes;
    if (m_limits.memoryBytes > 0 && m_bytes > m_limits.memoryBytes && escape)
        std::longjmp(*escape, 1);
}

void GumboArena::checkLimits()
{
    if (!escape)
        return;
    const bool late = m_limits.cpuMilliseconds > 0 &&
                      threadCpuNanoseconds() - m_cpuStartNs > m_limits.cpuMilliseconds * 1000000;
    if (late || (m_limits.cancelled && m_limits.cancelled()))
        std::longjmp(*escape, 1);
}

void* GumboArena::take(size_t size)
{
    const size_t sizeClass = (size + Granule - 1) / Granule;
    if (sizeClass == 0 || sizeClass > SmallClasses) {
        auto* header = static_cast<LargeHeader*>(std::malloc(LargeOverhead + size));
        if (!header) {
            if (escape)
                std::longjmp(*escape, 1);
            throw std::bad_alloc();
        }
        header->size = size;
        header->sizeClass = 0;
        header->links.prev = nullptr;
        header->links.next = static_cast<Header*>(m_large);
        if (header->links.next)
            header->links.next->prev = &header->links;
        m_large = header;
        grow(qint64(size));
        return header + 1;
    }
    if (void* block = m_free[sizeClass]) {
        m_free[sizeClass] = *static_cast<void**>(block);
        return block;
    }
    const size_t whole = Granule + sizeClass * Granule;
    if (size_t(m_end - m_cursor) < whole) {
        char* chunk = nullptr;
        if (!t_spare.chunks.empty()) {
            chunk = t_spare.chunks.back();
            t_spare.chunks.pop_back();
        } else {
            chunk = static_cast<char*>(std::malloc(ChunkBytes));
        }
        if (!chunk) {
            if (escape)
                std::longjmp(*escape, 1);
            throw std::bad_alloc();
        }
        m_chunks.push_back(chunk);
        m_cursor = chunk;
        m_end = chunk + ChunkBytes;
        grow(qint64(ChunkBytes));
    }
    void* block = m_cursor + Granule;
    m_cursor += whole;
    classOf(block) = sizeClass;
    return block;
}

void GumboArena::give(void* block)
{
    const size_t sizeClass = classOf(block);
    if (sizeClass != 0) {
        *static_cast<void**>(block) = m_free[sizeClass];
        m_free[sizeClass] = block;
        return;
    }
    auto* header = static_cast<LargeHeader*>(block) - 1;
    Header* links = &header->links;
    if (links->prev)
        links->prev->next = links->next;
    else
        m_large = links->next;
    if (links->next)
        links->next->prev = links->prev;
    m_bytes -= qint64(header->size);
    std::free(header);
}
