#ifndef ORV_NODEREADER_H
#define ORV_NODEREADER_H

#include "ParseLimits.h"
#include "String.h"

class NodeSink;

// Reads a document (a plain file or the first entry of a zip archive) into node trees:
// every element at the chosen nesting level becomes a tree that reaches the sink when its
// end tag is read, and the parser's warnings and errors reach the sink as they occur.
// The creator sets the settings directly before calling read.
class NodeReader {
public:
    explicit NodeReader(NodeSink* i_Sink);
    virtual ~NodeReader();
    NodeReader(const NodeReader&) = delete;
    NodeReader& operator=(const NodeReader&) = delete;

    // One of the proxy layer's result codes; afterwards errorCount holds the number of
    // errors that the XML library counted in the document.
    int read(const String& i_Path, int i_SkipDepth);

    int validationScheme;              // 0 never, 1 always, 2 the XML library's automatic scheme
    bool doNamespaces;
    bool doSchema;
    bool validationSchemaFullChecking;
    int errorCount;
    String externalNoNamespaceSchemaLocation; // empty: none
    String externalSchemaLocation;            // namespace and location pairs; empty: none
    ParseLimits limits;                       // what one parse may spend
    bool (*stopCallback)();                   // asked between parse steps; null: never stop

private:
    NodeSink* m_Sink;
};

#endif
