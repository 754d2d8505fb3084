#ifndef ORV_XMLZIPINPUTSOURCE_H
#define ORV_XMLZIPINPUTSOURCE_H

#include "String.h"

#include <xercesc/sax/InputSource.hpp>

class ParseGuard;

// A document packed as the first entry of a zip archive. The source carries no system
// id, public id or encoding of its own; every makeStream opens the archive anew and reads
// the first entry from its beginning, whatever its name.
class XmlZipInputSource : public xercesc::InputSource {
public:
    // With a guard, the entry's bytes are held to its bounds, and an archive that yields
    // no stream ends the parse with a critical error saying what is wrong with it.
    explicit XmlZipInputSource(const String& i_ArchivePath, ParseGuard* i_Guard = nullptr);
    ~XmlZipInputSource() override;

    // A new stream over the first entry that the XML library owns, or null when the archive
    // cannot be opened, has no entry, or the entry cannot be read.
    xercesc::BinInputStream* makeStream() const override;

private:
    xercesc::BinInputStream* refuse(const char* i_Problem) const;

    String archivePath;
    ParseGuard* m_Guard;
};

#endif
