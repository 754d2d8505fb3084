#include "NodeReader.h"

#include "DefaultSAXHandler.h"
#include "SAXParser.h"
#include "SAXParserFactory.h"
#include "XmlProxyResult.h"

#include <memory>

NodeReader::NodeReader(NodeSink* i_Sink)
    : validationScheme(0),
      doNamespaces(false),
      doSchema(false),
      validationSchemaFullChecking(false),
      errorCount(0),
      stopCallback(nullptr),
      m_Sink(i_Sink)
{
}

NodeReader::~NodeReader() = default;

int NodeReader::read(const String& i_Path, int i_SkipDepth)
{
    DefaultSAXHandler handler(m_Sink, i_SkipDepth);
    SAXParserFactory factory;
    std::unique_ptr<SAXParser> parser(factory.createParser(&handler));
    if (!parser)
        return XMLPROXY_SUCCESS;

    parser->validationScheme = validationScheme;
    parser->doNamespaces = doNamespaces;
    parser->doSchema = doSchema;
    parser->validationSchemaFullChecking = validationSchemaFullChecking;
    parser->externalNoNamespaceSchemaLocation = externalNoNamespaceSchemaLocation;
    parser->externalSchemaLocation = externalSchemaLocation;
    parser->limits = limits;
    int result = parser->parse(i_Path, stopCallback);
    errorCount = parser->errorCount;
    return result;
}
