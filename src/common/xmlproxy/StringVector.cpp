#include "StringVector.h"

#include "XmlProxyAssert.h"
#include "XmlProxyResult.h"

#include <algorithm>
#include <cstring>

namespace {

int unitLength(const char16_t* i_Text)
{
    int length = 0;
    while (i_Text[length] != 0)
        ++length;
    return length;
}

} // namespace

StringVector::StringVector(int i_BlockSize)
    : m_Buffer(nullptr), m_BlockCount(0), m_Free(0), m_Count(0), m_BlockSize(i_BlockSize)
{
    XMLPROXY_ASSERT(m_BlockSize > 0);
}

StringVector::~StringVector()
{
    clear();
}

int StringVector::clear()
{
    delete[] m_Buffer;
    m_Buffer = nullptr;
    m_BlockCount = 0;
    m_Free = 0;
    m_Count = 0;
    return XMLPROXY_SUCCESS;
}

int StringVector::offsetOf(int i_Index) const
{
    if (i_Index == m_Count)
        return usedUnits();
    int offset = 0;
    for (int passed = 0; passed < i_Index; ++offset) {
        if (m_Buffer[offset] == 0)
            ++passed;
    }
    return offset;
}

int StringVector::get(int i_Index, String& o_Text) const
{
    if (i_Index < 0 || i_Index >= m_Count)
        return XMLPROXY_INDEX_OUT_OF_RANGE;
    const char16_t* start = m_Buffer + offsetOf(i_Index);
    o_Text = String(start, static_cast<std::size_t>(unitLength(start)));
    return XMLPROXY_SUCCESS;
}

int StringVector::find(const String& i_Key, int& o_Index) const
{
    return find(i_Key.getUnits(), i_Key.length(), o_Index);
}

int StringVector::find(const char16_t* i_Key, int i_Length, int& o_Index) const
{
    int start = 0;
    for (int index = 0; index < m_Count; ++index) {
        int end = start;
        while (m_Buffer[end] != 0)
            ++end;
        if (end - start == i_Length &&
            std::equal(m_Buffer + start, m_Buffer + end, i_Key)) {
            o_Index = index;
            return XMLPROXY_SUCCESS;
        }
        start = end + 1;
    }
    return XMLPROXY_NOT_FOUND;
}

int StringVector::insert(int i_Index, const unsigned short* i_Text)
{
    if (i_Text == nullptr)
        return XMLPROXY_NULL_STRING;
    int length = 0;
    while (i_Text[length] != 0)
        ++length;
    if (i_Index < 0 || i_Index > m_Count)
        return XMLPROXY_INDEX_OUT_OF_RANGE;
    // Both are 16-bit units; copy the bytes rather than reading one type through the other.
    std::u16string units(static_cast<std::size_t>(length), u'\0');
    std::memcpy(&units[0], i_Text, static_cast<std::size_t>(length) * sizeof(char16_t));
    return insertUnits(i_Index, units.c_str(), length);
}

int StringVector::insert(int i_Index, const char16_t* i_Text)
{
    if (i_Text == nullptr)
        return XMLPROXY_NULL_STRING;
    if (i_Index < 0 || i_Index > m_Count)
        return XMLPROXY_INDEX_OUT_OF_RANGE;
    return insertUnits(i_Index, i_Text, unitLength(i_Text));
}

int StringVector::insertUnits(int i_Index, const char16_t* i_Text, int i_Length)
{
    const int needed = i_Length + 1;
    const int offset = offsetOf(i_Index);
    const int tail = usedUnits() - offset;
    // Growing first and then moving the tail up in place gives the same buffer as setting
    // the tail aside, without a second allocation per insertion.
    reserve(needed);
    std::memmove(m_Buffer + offset + needed, m_Buffer + offset,
                 static_cast<std::size_t>(tail) * sizeof(char16_t));
    std::memcpy(m_Buffer + offset, i_Text, static_cast<std::size_t>(i_Length) * sizeof(char16_t));
    m_Buffer[offset + i_Length] = 0;
    ++m_Count;
    m_Free -= needed;
    return XMLPROXY_SUCCESS;
}

int StringVector::remove(int i_Index)
{
    if (i_Index < 0 || i_Index >= m_Count)
        return XMLPROXY_INDEX_OUT_OF_RANGE;
    const int offset = offsetOf(i_Index);
    const int removed = unitLength(m_Buffer + offset) + 1;
    const int used = usedUnits();
    std::memmove(m_Buffer + offset, m_Buffer + offset + removed,
                 static_cast<std::size_t>(used - offset - removed) * sizeof(char16_t));
    std::fill(m_Buffer + used - removed, m_Buffer + used, u'\0');
    m_Free += removed;

    const int releasable = m_Free / m_BlockSize;
    if (releasable > 0) {
        const int keptBlocks = m_BlockCount - releasable;
        char16_t* kept = nullptr;
        if (keptBlocks > 0) {
            const std::size_t units = static_cast<std::size_t>(keptBlocks) * m_BlockSize;
            kept = new char16_t[units];
            std::memcpy(kept, m_Buffer, units * sizeof(char16_t));
        }
        delete[] m_Buffer;
        m_Buffer = kept;
        m_BlockCount = keptBlocks;
        m_Free -= releasable * m_BlockSize;
    }
    --m_Count;
    return XMLPROXY_SUCCESS;
}

int StringVector::reserve(int i_Units)
{
    if (m_Free >= i_Units)
        return XMLPROXY_SUCCESS;
    const int missing = i_Units - m_Free;
    const int newBlocks = missing / m_BlockSize + (missing % m_BlockSize != 0 ? 1 : 0);
    const std::size_t units = static_cast<std::size_t>(m_BlockCount + newBlocks) * m_BlockSize;
    char16_t* grown = new char16_t[units]();
    if (m_Buffer != nullptr) {
        std::memcpy(grown, m_Buffer, static_cast<std::size_t>(usedUnits()) * sizeof(char16_t));
        delete[] m_Buffer;
    }
    m_Buffer = grown;
    m_BlockCount += newBlocks;
    m_Free += newBlocks * m_BlockSize;
    return XMLPROXY_SUCCESS;
}
