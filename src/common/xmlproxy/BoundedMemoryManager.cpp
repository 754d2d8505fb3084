#include "BoundedMemoryManager.h"

#include <xercesc/util/OutOfMemoryException.hpp>
#include <xercesc/util/PlatformUtils.hpp>

#include <cstddef>
#include <cstdlib>

// Placed before each block; its size keeps the block aligned for any type.
struct alignas(alignof(std::max_align_t)) BoundedMemoryManager::Header {
    Header* previous;
    Header* next;
    std::size_t size;
};

BoundedMemoryManager::BoundedMemoryManager(long long i_BoundBytes)
    : m_BoundBytes(i_BoundBytes), m_HeldBytes(0), m_Exceeded(false), m_Blocks(nullptr)
{
}

BoundedMemoryManager::~BoundedMemoryManager()
{
    while (m_Blocks != nullptr) {
        Header* next = m_Blocks->next;
        std::free(m_Blocks);
        m_Blocks = next;
    }
}

xercesc::MemoryManager* BoundedMemoryManager::getExceptionMemoryManager()
{
    return xercesc::XMLPlatformUtils::fgMemoryManager;
}

void* BoundedMemoryManager::allocate(XMLSize_t i_Size)
{
    if (static_cast<long long>(i_Size) > m_BoundBytes - m_HeldBytes) {
        m_Exceeded = true;
        throw xercesc::OutOfMemoryException();
    }
    auto* header = static_cast<Header*>(std::malloc(sizeof(Header) + i_Size));
    if (header == nullptr)
        throw xercesc::OutOfMemoryException();
    header->previous = nullptr;
    header->next = m_Blocks;
    header->size = i_Size;
    if (m_Blocks != nullptr)
        m_Blocks->previous = header;
    m_Blocks = header;
    m_HeldBytes += static_cast<long long>(i_Size);
    return header + 1;
}

void BoundedMemoryManager::deallocate(void* i_Block)
{
    if (i_Block == nullptr)
        return;
    Header* header = static_cast<Header*>(i_Block) - 1;
    if (header->previous != nullptr)
        header->previous->next = header->next;
    else
        m_Blocks = header->next;
    if (header->next != nullptr)
        header->next->previous = header->previous;
    m_HeldBytes -= static_cast<long long>(header->size);
    std::free(header);
}
