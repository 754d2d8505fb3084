#include "XmlFileInputSource.h"

#include "File.h"
#include "InputStream.h"
#include "XmlInputStream.h"

#include <xercesc/util/PlatformUtils.hpp>

#include <memory>

XmlFileInputSource::XmlFileInputSource(const String& i_Path, ParseGuard* i_Guard)
    : xercesc::InputSource(i_Path.getUnits(), xercesc::XMLPlatformUtils::fgMemoryManager),
      m_Path(i_Path),
      m_Guard(i_Guard)
{
}

XmlFileInputSource::~XmlFileInputSource() = default;

xercesc::BinInputStream* XmlFileInputSource::makeStream() const
{
    std::unique_ptr<InputStream> file(File(m_Path).openRegularFile());
    if (!file)
        return nullptr;
    xercesc::BinInputStream* stream = new XmlInputStream(file.get(), m_Guard, false);
    file.release();
    return stream;
}
