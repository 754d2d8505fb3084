#ifndef ORV_ZIPENTRY_H
#define ORV_ZIPENTRY_H

#include "OrvExport.h"
#include "String.h"

// One entry of a zip archive, as ZipFile::getEntry describes it.
class ORVBASE_API ZipEntry {
public:
    ZipEntry(long long index, const String& name, long long size);
    virtual ~ZipEntry();

    long long getIndex() const { return m_Index; }
    const String& getName() const { return m_Name; }
    // Uncompressed size in bytes.
    long long getSize() const { return m_Size; }

private:
    long long m_Index;
    String m_Name;
    long long m_Size;
};

#endif
