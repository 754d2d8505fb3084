#ifndef ORV_XMLFILEINPUTSOURCE_H
#define ORV_XMLFILEINPUTSOURCE_H

#include "String.h"

#include <xercesc/sax/InputSource.hpp>

class ParseGuard;

// A document or schema in a regular file. Nothing else is read: a FIFO, a device or a
// directory at the path makes no stream, so the library reports a source it cannot open
// instead of waiting for a writer or reading a device. The path is the source's system id.
class XmlFileInputSource : public xercesc::InputSource {
public:
    explicit XmlFileInputSource(const String& i_Path, ParseGuard* i_Guard = nullptr);
    ~XmlFileInputSource() override;

    // A new stream that the XML library owns, or null.
    xercesc::BinInputStream* makeStream() const override;

private:
    String m_Path;
    ParseGuard* m_Guard;
};

#endif
