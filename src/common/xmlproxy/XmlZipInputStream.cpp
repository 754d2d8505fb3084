#include "XmlZipInputStream.h"

#include "InputStream.h"
#include "XmlProxyAssert.h"

XmlZipInputStream::XmlZipInputStream(InputStream* i_InputStream) : position(0), m_Stream(i_InputStream)
{
    XMLPROXY_ASSERT(i_InputStream != 0);
}

XmlZipInputStream::~XmlZipInputStream()
{
    m_Stream->close();
    delete m_Stream;
}

XMLFilePos XmlZipInputStream::curPos() const
{
    return position;
}

XMLSize_t XmlZipInputStream::readBytes(XMLByte* const o_ToFill, const XMLSize_t i_MaxToRead)
{
    long long count = m_Stream->read(o_ToFill, static_cast<long long>(i_MaxToRead));
    // The entry stream reports a read error as a negative count; to the XML library that
    // is the end of the input, and the document then fails as truncated.
    if (count <= 0)
        return 0;
    position += static_cast<XMLFilePos>(count);
    return static_cast<XMLSize_t>(count);
}

const XMLCh* XmlZipInputStream::getContentType() const
{
    return nullptr;
}
