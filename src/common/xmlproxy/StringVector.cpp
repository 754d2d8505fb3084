#include "StringVector.h"

#include "SmallBlockPool.h"
#include "XmlProxyAssert.h"
#include "XmlProxyResult.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <new>

namespace {

using Units = std::char_traits<char16_t>;

// The counts of a vector are 32-bit, as the indexes and lengths of its interface are, so its
// blocks hold at most this many units. A request for more cannot be met any more than an
// allocation that fails, and is answered the same way: std::bad_alloc, the vector unchanged.
constexpr std::int64_t kMostUnits = std::numeric_limits<int>::max();

void refuseMoreThanMostUnits(std::int64_t i_Units)
{
    if (i_Units > kMostUnits)
        throw std::bad_alloc();
}

// Units allocated behind a vector whose blocks hold i_Units units. Small buffers are
// rounded to whole pool granules; from kExactLimit on, to eight steps per power of two, so
// a buffer grown one string at a time is moved O(log n) times while a buffer sized once
// wastes at most an eighth. A pure function of the blocks, so the size need not be stored.
constexpr std::size_t kExactLimit = 64;
constexpr std::size_t kUnitsPerGranule = SmallBlockPool::kGranule / sizeof(char16_t);
constexpr std::size_t kStepsPerDoubling = 8;

std::size_t allocatedUnits(int i_Units)
{
    const std::size_t units = static_cast<std::size_t>(i_Units);
    if (units <= kExactLimit)
        return (units + kUnitsPerGranule - 1) / kUnitsPerGranule * kUnitsPerGranule;
    std::size_t power = kExactLimit;
    while (power < units / 2 + units % 2)
        power *= 2;
    const std::size_t step = power / kStepsPerDoubling;
    return (units + step - 1) / step * step;
}

char16_t* allocateUnits(std::size_t i_Units)
{
    if (i_Units == 0)
        return nullptr;
    const std::size_t bytes = i_Units * sizeof(char16_t);
    auto* units = static_cast<char16_t*>(SmallBlockPool::allocate(bytes));
    std::memset(units, 0, bytes);
    return units;
}

void releaseUnits(char16_t* i_Units, std::size_t i_Count)
{
    SmallBlockPool::release(i_Units, i_Count * sizeof(char16_t));
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
    releaseUnits(m_Buffer, allocatedUnits(getCapacity()));
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
    o_Text.assign(start, Units::length(start));
    return XMLPROXY_SUCCESS;
}

int StringVector::find(const String& i_Key, int& o_Index) const
{
    return find(i_Key.getUnits(), i_Key.length(), o_Index);
}

int StringVector::find(const char16_t* i_Key, int i_Length, int& o_Index) const
{
    // One pass: compare while the units agree, then skip the rest of the string.
    const char16_t* text = m_Buffer;
    for (int index = 0; index < m_Count; ++index) {
        int same = 0;
        while (same < i_Length && text[same] != 0 && text[same] == i_Key[same])
            ++same;
        if (same == i_Length && text[same] == 0) {
            o_Index = index;
            return XMLPROXY_SUCCESS;
        }
        text += same;
        while (*text != 0)
            ++text;
        ++text;
    }
    return XMLPROXY_NOT_FOUND;
}

int StringVector::insert(int i_Index, const unsigned short* i_Text)
{
    if (i_Text == nullptr)
        return XMLPROXY_NULL_STRING;
    if (i_Index < 0 || i_Index > m_Count)
        return XMLPROXY_INDEX_OUT_OF_RANGE;
    std::size_t length = 0;
    while (i_Text[length] != 0)
        ++length;
    return insertUnits(i_Index, i_Text, length);
}

int StringVector::insert(int i_Index, const char16_t* i_Text)
{
    if (i_Text == nullptr)
        return XMLPROXY_NULL_STRING;
    if (i_Index < 0 || i_Index > m_Count)
        return XMLPROXY_INDEX_OUT_OF_RANGE;
    return insertUnits(i_Index, i_Text, Units::length(i_Text));
}

int StringVector::insertUnits(int i_Index, const void* i_Text, std::size_t i_Length)
{
    // Appending into room already there, as a table filled after its reserve() does: no
    // tail to move and no growth to check.
    if (i_Index == m_Count && i_Length < static_cast<std::size_t>(m_Free)) {
        char16_t* end = m_Buffer + usedUnits();
        std::memcpy(end, i_Text, i_Length * sizeof(char16_t));
        end[i_Length] = 0;
        ++m_Count;
        m_Free -= static_cast<int>(i_Length) + 1;
        return XMLPROXY_SUCCESS;
    }
    refuseMoreThanMostUnits(static_cast<std::int64_t>(usedUnits()) + 1 +
                            static_cast<std::int64_t>(std::min<std::size_t>(i_Length, kMostUnits)));
    const int needed = static_cast<int>(i_Length) + 1;
    const int offset = offsetOf(i_Index);
    const int tail = usedUnits() - offset;
    // Growing first and then moving the tail up in place gives the same buffer as setting
    // the tail aside, without a second allocation per insertion. The text cannot lie in
    // this vector's buffer: nothing hands out pointers into it.
    reserve(needed);
    std::memmove(m_Buffer + offset + needed, m_Buffer + offset,
                 static_cast<std::size_t>(tail) * sizeof(char16_t));
    std::memcpy(m_Buffer + offset, i_Text, i_Length * sizeof(char16_t));
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
    const int removed = static_cast<int>(Units::length(m_Buffer + offset)) + 1;
    const int used = usedUnits();
    std::memmove(m_Buffer + offset, m_Buffer + offset + removed,
                 static_cast<std::size_t>(used - offset - removed) * sizeof(char16_t));
    std::fill(m_Buffer + used - removed, m_Buffer + used, u'\0');
    m_Free += removed;
    releaseFreeBlocks();
    --m_Count;
    return XMLPROXY_SUCCESS;
}

int StringVector::releaseFreeBlocks()
{
    const int releasable = m_Free / m_BlockSize;
    if (releasable > 0) {
        resizeBlocks(m_BlockCount - releasable);
        m_Free -= releasable * m_BlockSize;
    }
    return XMLPROXY_SUCCESS;
}

int StringVector::reserve(int i_Units)
{
    if (m_Free >= i_Units)
        return XMLPROXY_SUCCESS;
    const int missing = i_Units - m_Free;
    const int newBlocks = missing / m_BlockSize + (missing % m_BlockSize != 0 ? 1 : 0);
    refuseMoreThanMostUnits((static_cast<std::int64_t>(m_BlockCount) + newBlocks) * m_BlockSize);
    resizeBlocks(m_BlockCount + newBlocks);
    m_Free += newBlocks * m_BlockSize;
    return XMLPROXY_SUCCESS;
}

void StringVector::resizeBlocks(int i_Blocks)
{
    const std::size_t before = allocatedUnits(getCapacity());
    const std::size_t after = allocatedUnits(i_Blocks * m_BlockSize);
    if (after != before) {
        // The units between the blocks and the end of the allocation are 0 already, in the
        // old buffer as in the new one; only the used part has to move.
        char16_t* moved = allocateUnits(after);
        if (m_Buffer != nullptr && moved != nullptr) {
            std::memcpy(moved, m_Buffer, static_cast<std::size_t>(usedUnits()) * sizeof(char16_t));
        }
        releaseUnits(m_Buffer, before);
        m_Buffer = moved;
    }
    m_BlockCount = i_Blocks;
}

int StringVector::assign(const StringVector& i_Other)
{
    clear();
    const int used = i_Other.usedUnits();
    reserve(used);
    if (used > 0)
        std::memcpy(m_Buffer, i_Other.m_Buffer, static_cast<std::size_t>(used) * sizeof(char16_t));
    m_Free -= used;
    m_Count = i_Other.m_Count;
    return XMLPROXY_SUCCESS;
}

int StringVector::assignRepeated(const char16_t* i_Text, int i_Times)
{
    const std::size_t length = Units::length(i_Text) + 1;
    refuseMoreThanMostUnits(static_cast<std::int64_t>(std::min<std::size_t>(length, kMostUnits)) * i_Times);
    const int units = static_cast<int>(length) * i_Times;
    clear();
    reserve(units);
    for (int time = 0; time < i_Times; ++time)
        std::memcpy(m_Buffer + static_cast<std::size_t>(time) * length, i_Text, length * sizeof(char16_t));
    m_Free -= units;
    m_Count = i_Times;
    return XMLPROXY_SUCCESS;
}
