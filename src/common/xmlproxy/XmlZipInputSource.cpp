#include "XmlZipInputSource.h"

#include "InputStream.h"
#include "XmlZipInputStream.h"
#include "ZipEntry.h"
#include "ZipFile.h"

#include <xercesc/util/PlatformUtils.hpp>

#include <memory>

XmlZipInputSource::XmlZipInputSource(const String& i_ArchivePath)
    : xercesc::InputSource(xercesc::XMLPlatformUtils::fgMemoryManager), archivePath(i_ArchivePath)
{
}

XmlZipInputSource::~XmlZipInputSource() = default;

xercesc::BinInputStream* XmlZipInputSource::makeStream() const
{
    // The archive object lives for this call only: the entry stream keeps its own share
    // of the open archive.
    ZipFile archive(archivePath);
    std::unique_ptr<ZipEntry> first(archive.getEntry(0));
    if (!first)
        return nullptr;
    std::unique_ptr<InputStream> entry(archive.getEntryStream(first.get()));
    if (!entry)
        return nullptr;
    xercesc::BinInputStream* stream = new XmlZipInputStream(entry.get());
    entry.release();
    return stream;
}
