#include "XmlZipInputSource.h"

#include "InputStream.h"
#include "ParseGuard.h"
#include "XmlZipInputStream.h"
#include "ZipEntry.h"
#include "ZipFile.h"

#include <xercesc/util/PlatformUtils.hpp>

#include <memory>

namespace {

const char* describe(ZipFile::EntryProblem i_Problem)
{
    switch (i_Problem) {
    case ZipFile::ENTRY_ENCRYPTED:
        return "its first entry is encrypted";
    case ZipFile::ENTRY_METHOD_UNSUPPORTED:
        return "its first entry uses a compression method that cannot be read";
    default:
        return "its first entry cannot be read";
    }
}

} // namespace

XmlZipInputSource::XmlZipInputSource(const String& i_ArchivePath, ParseGuard* i_Guard)
    : xercesc::InputSource(xercesc::XMLPlatformUtils::fgMemoryManager), archivePath(i_ArchivePath), m_Guard(i_Guard)
{
}

XmlZipInputSource::~XmlZipInputSource() = default;

xercesc::BinInputStream* XmlZipInputSource::refuse(const char* i_Problem) const
{
    // Without a guard the library reports a source it cannot open, in its own words.
    if (m_Guard == nullptr)
        return nullptr;
    String message("The zip archive ");
    message.concat(archivePath);
    message.concat(" cannot be read as a document: ");
    message.concat(i_Problem);
    m_Guard->refuse(message);
}

xercesc::BinInputStream* XmlZipInputSource::makeStream() const
{
    // The archive object lives for this call only: the entry stream keeps its own share
    // of the open archive.
    ZipFile archive(archivePath);
    if (!archive.isOpen())
        return refuse("it cannot be opened");
    std::unique_ptr<ZipEntry> first(archive.getEntry(0));
    if (!first)
        return refuse("it has no entry");
    if (first->getSize() == 0)
        return refuse("its first entry is empty");
    std::unique_ptr<InputStream> entry(archive.getEntryStream(first.get()));
    if (!entry)
        return refuse(describe(archive.getEntryProblem(first.get())));
    xercesc::BinInputStream* stream = new XmlZipInputStream(entry.get(), m_Guard);
    entry.release();
    return stream;
}
