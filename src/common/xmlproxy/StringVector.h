#ifndef ORV_STRINGVECTOR_H
#define ORV_STRINGVECTOR_H

#include "OrvExport.h"
#include "String.h"

#include <cstddef>

// An ordered list of 16-bit strings kept back to back in one buffer, each ended by a 0
// unit. The buffer grows and shrinks in whole blocks of m_BlockSize units, so a list of
// any length costs a single allocation; after any growth and after any removal fewer than
// m_BlockSize units stand free. A stored string cannot contain a 0 unit; an empty string
// takes one unit and counts as a string.
//
// Status codes: 0 success, -1002 index out of range, -1006 not found, -1009 null string.
// A refused call leaves the vector unchanged. Lookups walk the buffer from its start.
// The blocks hold at most 2^31 - 1 units; growing beyond that throws std::bad_alloc, as a
// failed allocation does, and leaves the vector unchanged.
class ORVCFG_API StringVector {
public:
    // blockSize must be greater than 0 (checked: the program stops otherwise).
    explicit StringVector(int i_BlockSize);
    ~StringVector();

    StringVector(const StringVector&) = delete;
    StringVector& operator=(const StringVector&) = delete;

    // Frees the buffer; the vector stays usable with the same block size.
    int clear();

    int getCount() const { return m_Count; }

    // Sets o_Text to the string at i_Index; -1002 (o_Text untouched) when out of range.
    int get(int i_Index, String& o_Text) const;

    // Index of the first string equal to i_Key, unit by unit; -1006 when there is none.
    int find(const String& i_Key, int& o_Index) const;
    int find(const char16_t* i_Key, int i_Length, int& o_Index) const;

    // Inserts a copy of the 0-terminated i_Text at i_Index; i_Index == getCount() appends.
    // -1009 for a null i_Text, -1002 for an index outside 0..getCount().
    int insert(int i_Index, const unsigned short* i_Text);
    int insert(int i_Index, const char16_t* i_Text);

    // Removes the string at i_Index and releases every whole block that became free.
    int remove(int i_Index);

    // Makes at least i_Units free units available, growing by whole blocks; always 0.
    int reserve(int i_Units);
    // Releases every whole block that stands free, as a removal does; always 0. After a
    // reserve() for strings that were then not all inserted, this leaves the buffer as
    // inserting the stored strings one by one would have.
    int releaseFreeBlocks();

    // Replaces the contents by i_Other's strings, or by i_Times copies of the 0-terminated
    // i_Text, in one step; the blocks end as inserting them one by one would leave them.
    // Always 0.
    int assign(const StringVector& i_Other);
    int assignRepeated(const char16_t* i_Text, int i_Times);

    // The buffer's geometry, for hosts that budget memory and for tests.
    int getBlockSize() const { return m_BlockSize; }
    int getBlockCount() const { return m_BlockCount; }
    int getFree() const { return m_Free; }
    int getCapacity() const { return m_BlockCount * m_BlockSize; }

private:
    // Reads names and values side by side.
    friend class NodeAttributes;

    int usedUnits() const { return m_BlockCount * m_BlockSize - m_Free; }
    // Offset in units of the string at i_Index (the end of the used part for m_Count).
    int offsetOf(int i_Index) const;
    // i_Text points at i_Length 16-bit units (of either 16-bit type), copied bytewise.
    int insertUnits(int i_Index, const void* i_Text, std::size_t i_Length);
    // Gives the vector i_Blocks blocks, keeping the used part; the caller has made sure
    // that it fits.
    void resizeBlocks(int i_Blocks);

    // The blocks are what the vector shows (getCapacity, getFree); the allocation behind
    // them is rounded up to a few sizes per power of two (see StringVector.cpp), so that
    // appending one string after another, as attribute tables of block size 1 do, does not
    // move the whole buffer every time. The units beyond the blocks are 0, as free ones are.
    char16_t* m_Buffer;
    int m_BlockCount;
    int m_Free;
    int m_Count;
    int m_BlockSize;
};

#endif
