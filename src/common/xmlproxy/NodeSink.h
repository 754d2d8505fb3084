#ifndef ORV_NODESINK_H
#define ORV_NODESINK_H

#include "OrvExport.h"
#include "String.h"

class Node;

// Receives what a parse produces: every finished node tree, and the parser's warnings,
// errors and fatal errors with their document lines. The parse does not look at the
// results.
class ORVCFG_API NodeSink {
public:
    // The sink owns i_Tree from now on.
    virtual int onNodeTree(Node* i_Tree) = 0;
    // The defaults ignore the message and return 0.
    virtual int onWarning(const String& i_Message, int i_Line);
    virtual int onError(const String& i_Message, int i_Line);
    virtual int onCriticalError(const String& i_Message, int i_Line);
    virtual ~NodeSink();
};

#endif
