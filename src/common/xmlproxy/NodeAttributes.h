#ifndef ORV_NODEATTRIBUTES_H
#define ORV_NODEATTRIBUTES_H

#include "OrvExport.h"
#include "String.h"
#include "StringVector.h"

#include <cstddef>

// The attribute table of an element: names, values and sequence numbers (as decimal text)
// in three string vectors side by side, one entry in each per attribute, in the order in
// which the attributes were added. Names are unique within a table.
//
// Status codes: 0 success, -1002 index out of range, -1006 not found, -1007 name present
// already, -1009 null string.
class ORVCFG_API NodeAttributes {
public:
    // The block size of all three vectors; greater than 0 (checked).
    explicit NodeAttributes(int i_BlockSize);
    ~NodeAttributes();

    NodeAttributes(const NodeAttributes&) = delete;
    NodeAttributes& operator=(const NodeAttributes&) = delete;

    // Tables are many and small: they come from the pool of the tree's objects.
    static void* operator new(std::size_t i_Bytes);
    static void operator delete(void* i_Block, std::size_t i_Bytes) noexcept;

    int getCount() const { return m_Names.getCount(); }
    // The three vectors share it, so the table keeps no copy of its own: a parsed document
    // has tens of thousands of tables.
    int getBlockSize() const { return m_Names.getBlockSize(); }

    // Appends one attribute; -1007 when the name is present already. An attribute that
    // cannot be stored whole is not stored at all.
    int addAttribute(const String& i_Name, const String& i_Value, const String& i_Sequence);
    // The same from 0-terminated units, without building strings; a null pointer gives -1009.
    int addAttribute(const char16_t* i_Name, const char16_t* i_Value, const char16_t* i_Sequence);
    // The same from units whose lengths the caller knows (no 0 unit among them).
    int addAttributeUnits(const char16_t* i_Name, std::size_t i_NameUnits, const char16_t* i_Value,
                          std::size_t i_ValueUnits, const char16_t* i_Sequence, std::size_t i_SequenceUnits);

    // Appends one attribute as the parser reports it, numbered i_Sequence. The parser numbers
    // the attributes of an element one after the other, so a table keeps only the first
    // number and makes the sequence texts when they are first read; -1007 when the name is
    // present already (its number is used up all the same).
    int addNumberedAttribute(const char16_t* i_Name, std::size_t i_NameUnits, const char16_t* i_Value,
                             std::size_t i_ValueUnits, int i_Sequence);

    // Makes room for attributes whose names, values and sequence texts take the given
    // numbers of units, terminators included, so that adding them grows each vector once.
    void reserve(int i_NameUnits, int i_ValueUnits, int i_SequenceUnits);
    // Gives back what a reserve() left over when not every attribute was added: the
    // vectors' blocks end as adding the attributes one by one would have left them.
    void releaseReserve();

    // Name and value at i_Index; -1002 when out of range.
    int getAttribute(int i_Index, String& o_Name, String& o_Value) const;
    // Value of the attribute named i_Name; -1006 when there is none.
    int getValue(const String& i_Name, String& o_Value) const;
    // Sequence number text at i_Index; -1002 when out of range.
    int getSequence(int i_Index, String& o_Sequence) const;

    // A new table with the same block size, names and values, and "0" as every sequence.
    // The caller owns it.
    NodeAttributes* copy() const;

    const StringVector& getNames() const { return m_Names; }
    const StringVector& getValues() const { return m_Values; }
    const StringVector& getSequences() const
    {
        storeSequences();
        return m_Sequences;
    }

private:
    // Writes the texts of the numbers that m_FirstSequence stands for into m_Sequences.
    void storeSequences() const;
    // Appends the name and its value unless the name is present: their index, or -1.
    int appendNameAndValue(const char16_t* i_Name, std::size_t i_NameUnits, const char16_t* i_Value,
                           std::size_t i_ValueUnits);

    StringVector m_Names;
    StringVector m_Values;
    // The sequence texts; empty while m_FirstSequence stands for them.
    mutable StringVector m_Sequences;
    // While not kStoredSequences: the attributes are numbered from it, one after the other,
    // and their texts are not stored yet. A parsed document has tens of thousands of tables,
    // and the texts were a tenth of the memory of its trees.
    mutable int m_FirstSequence;
    static constexpr int kStoredSequences = -1;
};

#endif
