#include "ZipEntry.h"

ZipEntry::ZipEntry(long long index, const String& name, long long size) : m_Index(index), m_Name(name), m_Size(size)
{
}

ZipEntry::~ZipEntry() = default;
