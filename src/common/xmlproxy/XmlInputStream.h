#ifndef ORV_XMLINPUTSTREAM_H
#define ORV_XMLINPUTSTREAM_H

#include <xercesc/util/BinInputStream.hpp>

class InputStream;
class ParseGuard;

// The bytes of a document as the XML library reads them, from one of the base library's
// streams, which it owns and closes. With a guard, each count read is charged to the
// parse's bounds, and a document in UTF-8 is checked as it passes.
//
// The check exists for the line: the library decodes its input a large block at a time and
// reports a byte that is not UTF-8 at the line where its reading stands, often the first,
// far above the byte. Found here, the byte is reported at its own line and ends the parse.
class XmlInputStream : public xercesc::BinInputStream {
public:
    // i_ZipEntry: the bytes are a zip entry's uncompressed data, which has a bound of its own.
    XmlInputStream(InputStream* i_InputStream, ParseGuard* i_Guard, bool i_ZipEntry);
    ~XmlInputStream() override;
    XmlInputStream(const XmlInputStream&) = delete;
    XmlInputStream& operator=(const XmlInputStream&) = delete;

    // The number of bytes handed out so far.
    XMLFilePos curPos() const override;
    XMLSize_t readBytes(XMLByte* const o_ToFill, const XMLSize_t i_MaxToRead) override;
    // A file or an entry carries no content type; the XML library then works from the bytes.
    const XMLCh* getContentType() const override;

private:
    void checkUtf8(const XMLByte* i_Bytes, XMLSize_t i_Count);
    // Stops the parse: the byte at i_At of this read is not valid UTF-8.
    [[noreturn]] void refuseByteAt(const XMLByte* i_Bytes, XMLSize_t i_At) const;

    XMLFilePos position;
    InputStream* m_Stream;
    ParseGuard* m_Guard;
    bool m_ZipEntry;
    bool m_Checking;        // the document declares UTF-8, or no encoding at all
    int m_ContinuationsDue; // of a UTF-8 sequence that a read split
    long long m_Lines;      // line feeds handed out before this read
};

#endif
