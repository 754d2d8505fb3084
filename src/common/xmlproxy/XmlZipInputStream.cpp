#include "XmlZipInputStream.h"

#include "XmlProxyAssert.h"

XmlZipInputStream::XmlZipInputStream(InputStream* i_InputStream, ParseGuard* i_Guard)
    : XmlInputStream(i_InputStream, i_Guard, true)
{
    XMLPROXY_ASSERT(i_InputStream != 0);
}

XmlZipInputStream::~XmlZipInputStream() = default;
