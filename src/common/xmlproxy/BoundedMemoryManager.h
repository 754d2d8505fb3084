#ifndef ORV_BOUNDEDMEMORYMANAGER_H
#define ORV_BOUNDEDMEMORYMANAGER_H

#include <xercesc/framework/MemoryManager.hpp>

#include <cstddef>

// The memory of one XML library parser, held under a bound. An allocation that would pass
// the bound fails with the library's own out-of-memory exception, which every part of the
// library is written to unwind from; exceeded() then tells that apart from a host out of
// memory. The library is not promised to free everything after that exception, so every
// block still held is freed when the manager goes: the manager must outlive the parser.
class BoundedMemoryManager : public xercesc::MemoryManager {
public:
    explicit BoundedMemoryManager(long long i_BoundBytes);
    ~BoundedMemoryManager() override;
    BoundedMemoryManager(const BoundedMemoryManager&) = delete;
    BoundedMemoryManager& operator=(const BoundedMemoryManager&) = delete;

    xercesc::MemoryManager* getExceptionMemoryManager() override;
    void* allocate(XMLSize_t i_Size) override;
    void deallocate(void* i_Block) override;

    bool exceeded() const { return m_Exceeded; }

private:
    struct Header;

    long long m_BoundBytes;
    long long m_HeldBytes;
    bool m_Exceeded;
    Header* m_Blocks; // every block held, newest first
};

#endif
