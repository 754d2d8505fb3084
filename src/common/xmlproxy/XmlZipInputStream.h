#ifndef ORV_XMLZIPINPUTSTREAM_H
#define ORV_XMLZIPINPUTSTREAM_H

#include "XmlInputStream.h"

class InputStream;
class ParseGuard;

// The bytes of one zip entry as the XML library reads them. The stream is made by
// XmlZipInputSource::makeStream and deleted by the XML library when it has read the
// document; the entry stream goes with it. With a guard, the uncompressed bytes read are
// held to the zip entry bound, whatever the entry's compression method claims.
class XmlZipInputStream : public XmlInputStream {
public:
    // Takes ownership of the entry stream, which must not be null.
    explicit XmlZipInputStream(InputStream* i_InputStream, ParseGuard* i_Guard = nullptr);
    ~XmlZipInputStream() override;
};

#endif
