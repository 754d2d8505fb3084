#ifndef ORV_XMLORVPARSER_H
#define ORV_XMLORVPARSER_H

#include "OrvExport.h"
#include "String.h"

class ParseNodeSink;

// Reads the XML configuration document. All the work is done by the constructor: it checks
// that the document and the installation's schema can be opened, parses the document (a
// plain file or the first entry of a zip archive) with schema validation, and hands every
// element two levels below the document element, as a tree, to the sink. The sink is used
// only while the constructor runs.
//
// getErrorCount() is 0 after a clean parse, 1 when the document or the schema could not be
// opened, and otherwise the number of errors that the XML parser counted.
class ORVCFG_API XmlOrvParser {
public:
    XmlOrvParser(const String& configFile, ParseNodeSink& sink);
    // Copies the path and the count; nothing is parsed again.
    XmlOrvParser(const XmlOrvParser& other);
    XmlOrvParser& operator=(const XmlOrvParser& other);
    virtual ~XmlOrvParser();

    int getErrorCount();
    void setErrorCount(int count);

private:
    String configFile;
    int errorCount;
};

#endif
