#include "NodeAttributes.h"

#include "SmallBlockPool.h"
#include "XmlProxyResult.h"

#include <cstddef>
#include <limits>
#include <string>
#include <memory>

namespace {

using Units = std::char_traits<char16_t>;

// The decimal text of a number, written backwards into the end of the caller's buffer.
const char16_t* formatNumber(int i_Value, char16_t (&o_Buffer)[16])
{
    char16_t* end = o_Buffer + 15;
    *end = 0;
    unsigned int magnitude = i_Value < 0 ? 0u - static_cast<unsigned int>(i_Value) : static_cast<unsigned int>(i_Value);
    char16_t* begin = end;
    do {
        *--begin = static_cast<char16_t>(u'0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (i_Value < 0)
        *--begin = u'-';
    return begin;
}

} // namespace

NodeAttributes::NodeAttributes(int i_BlockSize)
    : m_Names(i_BlockSize), m_Values(i_BlockSize), m_Sequences(i_BlockSize), m_FirstSequence(kStoredSequences)
{
}

NodeAttributes::~NodeAttributes()
{
    m_Sequences.clear();
    m_Values.clear();
    m_Names.clear();
}

void* NodeAttributes::operator new(std::size_t i_Bytes)
{
    return SmallBlockPool::allocate(i_Bytes);
}

void NodeAttributes::operator delete(void* i_Block, std::size_t i_Bytes) noexcept
{
    SmallBlockPool::release(i_Block, i_Bytes);
}

void NodeAttributes::storeSequences() const
{
    if (m_FirstSequence == kStoredSequences)
        return;
    char16_t text[16];
    // Sized once, so the blocks end as adding the texts one by one would leave them.
    long long units = 0;
    for (int index = 0; index < getCount(); ++index)
        units += static_cast<long long>(text + 15 - formatNumber(m_FirstSequence + index, text)) + 1;
    try {
        m_Sequences.reserve(static_cast<int>(units));
        for (int index = 0; index < getCount(); ++index) {
            const char16_t* number = formatNumber(m_FirstSequence + index, text);
            m_Sequences.insertUnits(index, number, static_cast<std::size_t>(text + 15 - number));
        }
    } catch (...) {
        m_Sequences.clear(); // the first number still stands for them
        throw;
    }
    m_FirstSequence = kStoredSequences;
}

int NodeAttributes::addNumberedAttribute(const char16_t* i_Name, std::size_t i_NameUnits, const char16_t* i_Value,
                                         std::size_t i_ValueUnits, int i_Sequence)
{
    const bool first = getCount() == 0 && m_Sequences.getCount() == 0 && i_Sequence >= 0;
    if (!first && (m_FirstSequence == kStoredSequences ||
                   static_cast<long long>(i_Sequence) != static_cast<long long>(m_FirstSequence) + getCount())) {
        char16_t text[16];
        const char16_t* number = formatNumber(i_Sequence, text);
        return addAttributeUnits(i_Name, i_NameUnits, i_Value, i_ValueUnits, number,
                                 static_cast<std::size_t>(text + 15 - number));
    }
    if (appendNameAndValue(i_Name, i_NameUnits, i_Value, i_ValueUnits) < 0)
        return XMLPROXY_NAME_PRESENT;
    if (first)
        m_FirstSequence = i_Sequence;
    return XMLPROXY_SUCCESS;
}

int NodeAttributes::appendNameAndValue(const char16_t* i_Name, std::size_t i_NameUnits, const char16_t* i_Value,
                                       std::size_t i_ValueUnits)
{
    // A name longer than any stored string cannot be present; storing it fails below.
    int existing = 0;
    if (i_NameUnits <= static_cast<std::size_t>(std::numeric_limits<int>::max()) &&
        m_Names.find(i_Name, static_cast<int>(i_NameUnits), existing) == XMLPROXY_SUCCESS)
        return -1;
    const int index = m_Names.getCount();
    m_Names.insertUnits(index, i_Name, i_NameUnits);
    try {
        m_Values.insertUnits(index, i_Value, i_ValueUnits);
    } catch (...) {
        m_Names.remove(index);
        throw;
    }
    return index;
}

void NodeAttributes::reserve(int i_NameUnits, int i_ValueUnits, int i_SequenceUnits)
{
    if (i_SequenceUnits > 0)
        storeSequences();
    m_Names.reserve(i_NameUnits);
    m_Values.reserve(i_ValueUnits);
    m_Sequences.reserve(i_SequenceUnits);
}

void NodeAttributes::releaseReserve()
{
    m_Names.releaseFreeBlocks();
    m_Values.releaseFreeBlocks();
    m_Sequences.releaseFreeBlocks();
}

int NodeAttributes::addAttribute(const String& i_Name, const String& i_Value, const String& i_Sequence)
{
    return addAttribute(i_Name.getUnits(), i_Value.getUnits(), i_Sequence.getUnits());
}

int NodeAttributes::addAttribute(const char16_t* i_Name, const char16_t* i_Value,
                                 const char16_t* i_Sequence)
{
    if (i_Name == nullptr || i_Value == nullptr || i_Sequence == nullptr)
        return XMLPROXY_NULL_STRING;
    return addAttributeUnits(i_Name, Units::length(i_Name), i_Value, Units::length(i_Value), i_Sequence,
                             Units::length(i_Sequence));
}

int NodeAttributes::addAttributeUnits(const char16_t* i_Name, std::size_t i_NameUnits, const char16_t* i_Value,
                                      std::size_t i_ValueUnits, const char16_t* i_Sequence,
                                      std::size_t i_SequenceUnits)
{
    storeSequences();
    const int index = appendNameAndValue(i_Name, i_NameUnits, i_Value, i_ValueUnits);
    if (index < 0)
        return XMLPROXY_NAME_PRESENT;
    try {
        m_Sequences.insertUnits(index, i_Sequence, i_SequenceUnits);
    } catch (...) {
        m_Values.remove(index);
        m_Names.remove(index);
        throw;
    }
    return XMLPROXY_SUCCESS;
}

int NodeAttributes::getAttribute(int i_Index, String& o_Name, String& o_Value) const
{
    const int result = m_Names.get(i_Index, o_Name);
    if (result != XMLPROXY_SUCCESS)
        return result;
    return m_Values.get(i_Index, o_Value);
}

int NodeAttributes::getValue(const String& i_Name, String& o_Value) const
{
    // Names and values are walked side by side, so the value is at hand when its name
    // matches: one pass instead of a search for the index and a second walk to it.
    const char16_t* key = i_Name.getUnits();
    const int keyLength = i_Name.length();
    const char16_t* name = m_Names.m_Buffer;
    const char16_t* value = m_Values.m_Buffer;
    for (int index = 0; index < getCount(); ++index) {
        int same = 0;
        while (same < keyLength && name[same] == key[same] && name[same] != 0)
            ++same;
        const char16_t* valueEnd = value;
        while (*valueEnd != 0)
            ++valueEnd;
        if (same == keyLength && name[same] == 0) {
            o_Value.assign(value, static_cast<std::size_t>(valueEnd - value));
            return XMLPROXY_SUCCESS;
        }
        name += same;
        while (*name != 0)
            ++name;
        ++name;
        value = valueEnd + 1;
    }
    return XMLPROXY_NOT_FOUND;
}

int NodeAttributes::getSequence(int i_Index, String& o_Sequence) const
{
    storeSequences();
    return m_Sequences.get(i_Index, o_Sequence);
}

NodeAttributes* NodeAttributes::copy() const
{
    auto table = std::make_unique<NodeAttributes>(getBlockSize());
    // The names of a table are unique, so adding every attribute of this one to the empty
    // copy succeeds each time; the copy's vectors can therefore be made whole at once.
    table->m_Names.assign(m_Names);
    table->m_Values.assign(m_Values);
    // The decimal text of 0. A constant rather than a String made once: a copy can be made
    // from a host's exit handler, after the function's statics are gone.
    static constexpr char16_t kZero[] = u"0";
    table->m_Sequences.assignRepeated(kZero, getCount());
    return table.release();
}
