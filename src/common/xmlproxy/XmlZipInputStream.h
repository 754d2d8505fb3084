#ifndef ORV_XMLZIPINPUTSTREAM_H
#define ORV_XMLZIPINPUTSTREAM_H

#include <xercesc/util/BinInputStream.hpp>

class InputStream;

// The bytes of one zip entry as the XML library reads them. The stream is made by
// XmlZipInputSource::makeStream and deleted by the XML library when it has read the
// document; the entry stream goes with it.
class XmlZipInputStream : public xercesc::BinInputStream {
public:
    // Takes ownership of the entry stream, which must not be null.
    explicit XmlZipInputStream(InputStream* i_InputStream);
    ~XmlZipInputStream() override;

    // The number of bytes handed out so far.
    XMLFilePos curPos() const override;
    XMLSize_t readBytes(XMLByte* const o_ToFill, const XMLSize_t i_MaxToRead) override;
    // A zip entry carries no content type; the XML library then works from the bytes.
    const XMLCh* getContentType() const override;

private:
    XMLFilePos position;
    InputStream* m_Stream;
};

#endif
