#include "SAXParserFactory.h"

#include "XercesParser.h"

#include <new>

SAXParser* SAXParserFactory::createParser(SAXHandler* i_Handler)
{
    return new (std::nothrow) XercesParser(i_Handler);
}
