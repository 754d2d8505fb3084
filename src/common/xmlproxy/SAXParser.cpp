#include "SAXParser.h"

SAXParser::SAXParser(SAXHandler* i_Handler)
    : validationScheme(0),
      doNamespaces(false),
      doSchema(false),
      validationSchemaFullChecking(false),
      errorCount(0),
      m_Handler(i_Handler)
{
}

SAXParser::~SAXParser() = default;
