#include "SmallBlockPool.h"

#include <cstdlib>
#include <new>

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

struct ThreadPool {
    FreeBlock* freeLists[kClassCount];
    char* next;
    char* end;
    ChunkHeader* chunks;
};

thread_local ThreadPool t_Pool;

std::size_t classOf(std::size_t i_Bytes)
{
    return (i_Bytes + SmallBlockPool::kGranule - 1) / SmallBlockPool::kGranule - 1;
}

void* carve(ThreadPool& io_Pool, std::size_t i_Bytes)
{
    if (static_cast<std::size_t>(io_Pool.end - io_Pool.next) < i_Bytes) {
        void* memory = std::malloc(kChunkBytes);
        if (memory == nullptr)
            throw std::bad_alloc();
        ChunkHeader* chunk = static_cast<ChunkHeader*>(memory);
        chunk->previous = io_Pool.chunks;
        io_Pool.chunks = chunk;
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
    ThreadPool& pool = t_Pool;
    const std::size_t sizeClass = classOf(i_Bytes);
    if (FreeBlock* block = pool.freeLists[sizeClass]) {
        pool.freeLists[sizeClass] = block->next;
        return block;
    }
    return carve(pool, (sizeClass + 1) * kGranule);
}

void release(void* i_Block, std::size_t i_Bytes) noexcept
{
    if (i_Block == nullptr)
        return;
    if (i_Bytes == 0 || i_Bytes > kLargestPooled) {
        ::operator delete(i_Block);
        return;
    }
    ThreadPool& pool = t_Pool;
    const std::size_t sizeClass = classOf(i_Bytes);
    FreeBlock* block = static_cast<FreeBlock*>(i_Block);
    block->next = pool.freeLists[sizeClass];
    pool.freeLists[sizeClass] = block;
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

#endif

} // namespace SmallBlockPool
