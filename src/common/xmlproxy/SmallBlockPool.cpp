#include "SmallBlockPool.h"

#include <atomic>
#include <cstdlib>
#include <mutex>
#include <new>
#include <thread>
#include <type_traits>

#if defined(__SANITIZE_ADDRESS__)
#define ORV_POOL_DISABLED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ORV_POOL_DISABLED 1
#endif
#endif

namespace {

#ifndef ORV_POOL_DISABLED

constexpr std::size_t kClassCount = SmallBlockPool::kLargestPooled / SmallBlockPool::kGranule;
// Large enough that the general allocator is asked rarely, small enough that the unused
// tail of the last chunk does not matter next to a tree of a small document.
constexpr std::size_t kChunkBytes = 64 * 1024;

struct FreeBlock {
    FreeBlock* next;
};

// A chunk's first bytes link it to the previous chunk, which keeps every chunk reachable.
struct ChunkHeader {
    ChunkHeader* previous;
    std::max_align_t alignment;
};

// The pool's lock is held for a handful of instructions per block, and a parse takes and
// gives back several blocks per node: a full mutex cost as much as the work it guarded.
// Parses run one at a time, so a waiter is rare; it gives its time slice away rather than
// burn it.
class SpinLock {
public:
    void lock() noexcept
    {
        while (m_Held.exchange(true, std::memory_order_acquire)) {
            while (m_Held.load(std::memory_order_relaxed))
                std::this_thread::yield();
        }
    }
    void unlock() noexcept { m_Held.store(false, std::memory_order_release); }

private:
    std::atomic<bool> m_Held{false};
};

using Guard = std::lock_guard<SpinLock>;

// Never destroyed: a host may keep trees in objects of static storage duration, and those
// release their blocks during the destruction of statics, in an order nobody controls. So
// the pool has no destructor and is initialised as a constant, before any code runs; its
// memory stays valid to the end of the process. What it holds goes back to the general
// allocator once the program is exiting and the last block has come back (see ExitRelease).
struct Pool {
    SpinLock lock;
    FreeBlock* freeLists[kClassCount] = {};
    char* next = nullptr;
    char* end = nullptr;
    ChunkHeader* chunks = nullptr;
    std::size_t live = 0;
    std::size_t chunkCount = 0;
    // Set when the program exits: from then on the chunks are not kept for reuse.
    bool exiting = false;

    // Only when nothing is handed out, so every free block lies in a chunk being freed or
    // reset. The newest chunk is kept (empty) unless `all`, so that a pool that keeps
    // emptying and filling does not go back to the general allocator each time.
    void releaseChunks(bool all) noexcept
    {
        ChunkHeader* keep = all ? nullptr : chunks;
        ChunkHeader* chunk = keep != nullptr ? keep->previous : chunks;
        while (chunk != nullptr) {
            ChunkHeader* previous = chunk->previous;
            std::free(chunk);
            chunk = previous;
        }
        for (FreeBlock*& list : freeLists)
            list = nullptr;
        chunks = keep;
        chunkCount = keep != nullptr ? 1 : 0;
        if (keep != nullptr) {
            keep->previous = nullptr;
            next = reinterpret_cast<char*>(keep) + offsetof(ChunkHeader, alignment);
            end = reinterpret_cast<char*>(keep) + kChunkBytes;
        } else {
            next = end = nullptr;
        }
    }
};

static_assert(std::is_trivially_destructible<Pool>::value, "the pool must outlive every static");

Pool s_Pool;

Pool& pool()
{
    return s_Pool;
}

// Destroyed with the library's statics. Blocks still handed out then (trees a host keeps in
// statics destroyed later, or frees from an exit handler) keep their chunks; the last one to
// come back releases them all.
struct ExitRelease {
    ExitRelease() = default;
    ExitRelease(const ExitRelease&) = delete;
    ExitRelease& operator=(const ExitRelease&) = delete;
    ~ExitRelease()
    {
        Guard guard(s_Pool.lock);
        s_Pool.exiting = true;
        if (s_Pool.live == 0)
            s_Pool.releaseChunks(true);
    }
};

ExitRelease s_ExitRelease;

std::size_t classOf(std::size_t i_Bytes)
{
    return (i_Bytes + SmallBlockPool::kGranule - 1) / SmallBlockPool::kGranule - 1;
}

void* carve(Pool& io_Pool, std::size_t i_Bytes)
{
    if (static_cast<std::size_t>(io_Pool.end - io_Pool.next) < i_Bytes) {
        void* memory = std::malloc(kChunkBytes);
        if (memory == nullptr)
            throw std::bad_alloc();
        ChunkHeader* chunk = static_cast<ChunkHeader*>(memory);
        chunk->previous = io_Pool.chunks;
        io_Pool.chunks = chunk;
        ++io_Pool.chunkCount;
        io_Pool.next = static_cast<char*>(memory) + offsetof(ChunkHeader, alignment);
        io_Pool.end = static_cast<char*>(memory) + kChunkBytes;
    }
    void* block = io_Pool.next;
    io_Pool.next += i_Bytes;
    return block;
}

#endif

} // namespace

namespace SmallBlockPool {

#ifndef ORV_POOL_DISABLED

void* allocate(std::size_t i_Bytes)
{
    if (i_Bytes == 0 || i_Bytes > kLargestPooled)
        return ::operator new(i_Bytes);
    Pool& p = pool();
    const std::size_t sizeClass = classOf(i_Bytes);
    Guard guard(p.lock);
    void* block;
    if (FreeBlock* free = p.freeLists[sizeClass]) {
        p.freeLists[sizeClass] = free->next;
        block = free;
    } else {
        block = carve(p, (sizeClass + 1) * kGranule);
    }
    ++p.live;
    return block;
}

void release(void* i_Block, std::size_t i_Bytes) noexcept
{
    if (i_Block == nullptr)
        return;
    if (i_Bytes == 0 || i_Bytes > kLargestPooled) {
        ::operator delete(i_Block);
        return;
    }
    Pool& p = pool();
    const std::size_t sizeClass = classOf(i_Bytes);
    Guard guard(p.lock);
    if (--p.live == 0) {
        p.releaseChunks(p.exiting);
        return;
    }
    FreeBlock* block = static_cast<FreeBlock*>(i_Block);
    block->next = p.freeLists[sizeClass];
    p.freeLists[sizeClass] = block;
}

std::size_t liveBlocks() noexcept
{
    Pool& p = pool();
    Guard guard(p.lock);
    return p.live;
}

std::size_t chunkBytes() noexcept
{
    Pool& p = pool();
    Guard guard(p.lock);
    return p.chunkCount * kChunkBytes;
}

#else

void* allocate(std::size_t i_Bytes)
{
    return ::operator new(i_Bytes);
}

void release(void* i_Block, std::size_t) noexcept
{
    ::operator delete(i_Block);
}

std::size_t liveBlocks() noexcept
{
    return 0;
}

std::size_t chunkBytes() noexcept
{
    return 0;
}

#endif

} // namespace SmallBlockPool
