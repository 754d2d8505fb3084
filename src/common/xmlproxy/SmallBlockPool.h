#ifndef ORV_SMALLBLOCKPOOL_H
#define ORV_SMALLBLOCKPOOL_H

#include <cstddef>

// Memory for the many small objects of a parsed tree: nodes, attribute tables and the
// buffers of their string vectors. A 10 MB document makes a few hundred thousand of them,
// and the general allocator's per-block header, its size rounding and its search for a fit
// were a third of the tree's memory and of the parse time.
//
// Blocks are carved back to back from large chunks, so that the nodes of one tree lie close
// together in memory, and a released block goes onto a free list of its size, from which
// the next block of that size is taken. Sizes are rounded up to kGranule bytes; anything
// larger than kLargestPooled bytes goes to the general allocator. The caller passes the same
// size to release() that it passed to allocate().
//
// One pool serves the process, behind a lock that is never contended in practice (parses
// run one at a time), so a tree may be built on one thread and released on another. The
// pool counts the blocks it has handed out; when the last one comes back, every chunk but
// one goes back to the general allocator, so a host that has released its trees holds no
// memory for them. The pool itself is never destroyed, so a tree may be released at any
// point of the program's exit (from a static object or an exit handler); once the program
// exits, the last block to come back releases every chunk.
//
// Built with the address sanitizer, every block comes from the general allocator instead,
// so that the sanitizer sees each object's lifetime and leaks on its own.
namespace SmallBlockPool {

constexpr std::size_t kGranule = 8;
constexpr std::size_t kLargestPooled = 512;

void* allocate(std::size_t i_Bytes);
void release(void* i_Block, std::size_t i_Bytes) noexcept;

// Blocks handed out and not yet released (0 when the pool is disabled): a tree that is
// not released shows up here even in builds without a leak checker.
std::size_t liveBlocks() noexcept;
// Bytes of chunks the pool holds from the general allocator.
std::size_t chunkBytes() noexcept;

} // namespace SmallBlockPool

#endif
