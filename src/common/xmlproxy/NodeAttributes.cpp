#include "NodeAttributes.h"

#include "XmlProxyResult.h"

#include <memory>

NodeAttributes::NodeAttributes(int i_BlockSize)
    : m_Names(i_BlockSize), m_Values(i_BlockSize), m_Sequences(i_BlockSize), m_BlockSize(i_BlockSize)
{
}

NodeAttributes::~NodeAttributes()
{
    m_Sequences.clear();
    m_Values.clear();
    m_Names.clear();
}

int NodeAttributes::addAttribute(const String& i_Name, const String& i_Value, const String& i_Sequence)
{
    return addAttribute(i_Name.getUnits(), i_Value.getUnits(), i_Sequence.getUnits());
}

int NodeAttributes::addAttribute(const char16_t* i_Name, const char16_t* i_Value,
                                 const char16_t* i_Sequence)
{
    if (i_Name != nullptr) {
        int length = 0;
        while (i_Name[length] != 0)
            ++length;
        int existing = 0;
        if (m_Names.find(i_Name, length, existing) == XMLPROXY_SUCCESS)
            return XMLPROXY_NAME_PRESENT;
    }
    const int index = m_Names.getCount();
    int result = m_Names.insert(index, i_Name);
    if (result != XMLPROXY_SUCCESS)
        return result;
    result = m_Values.insert(index, i_Value);
    if (result != XMLPROXY_SUCCESS) {
        m_Names.remove(index);
        return result;
    }
    result = m_Sequences.insert(index, i_Sequence);
    if (result != XMLPROXY_SUCCESS) {
        m_Values.remove(index);
        m_Names.remove(index);
        return result;
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
    int index = 0;
    const int result = m_Names.find(i_Name, index);
    if (result != XMLPROXY_SUCCESS)
        return result;
    return m_Values.get(index, o_Value);
}

int NodeAttributes::getSequence(int i_Index, String& o_Sequence) const
{
    return m_Sequences.get(i_Index, o_Sequence);
}

NodeAttributes* NodeAttributes::copy() const
{
    auto table = std::make_unique<NodeAttributes>(m_BlockSize);
    const String zero = String::valueOf(0);
    String name;
    String value;
    for (int index = 0; index < getCount(); ++index) {
        getAttribute(index, name, value);
        // A copy of a valid table cannot be refused; a refusal would only drop that entry.
        table->addAttribute(name, value, zero);
    }
    return table.release();
}
