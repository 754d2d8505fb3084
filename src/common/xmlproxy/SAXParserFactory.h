#ifndef ORV_SAXPARSERFACTORY_H
#define ORV_SAXPARSERFACTORY_H

class SAXHandler;
class SAXParser;

// Makes the concrete parser, so that its users depend only on SAXParser.
class SAXParserFactory {
public:
    // A new parser bound to the handler that the caller owns, or null when it cannot be
    // allocated.
    SAXParser* createParser(SAXHandler* i_Handler);
};

#endif
