#ifndef ORV_XERCESPARSER_H
#define ORV_XERCESPARSER_H

#include "SAXParser.h"

// The parser built on the XML library's progressive SAX parser. The library stays initialised
// and the configured schema compiled between parses (SchemaGrammarCache); parses run one at
// a time.
class XercesParser : public SAXParser {
public:
    explicit XercesParser(SAXHandler* i_Handler);
    ~XercesParser() override;

    int parse(const String& i_Path, bool (*i_StopCallback)()) override;
};

#endif
