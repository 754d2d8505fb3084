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
    // The kinds of message, numbered as the trace levels of the statements written for them.
    enum Level : int { LEVEL_CRITICAL = 0, LEVEL_ERROR = 1, LEVEL_WARNING = 2 };

    // The sink owns i_Tree from now on.
    virtual int onNodeTree(Node* i_Tree) = 0;
    // The defaults ignore the message and return 0.
    virtual int onWarning(const String& i_Message, int i_Line);
    virtual int onError(const String& i_Message, int i_Line);
    virtual int onCriticalError(const String& i_Message, int i_Line);
    virtual ~NodeSink();
    // A message with its column as well (0 when the parser knows none). The parse calls this
    // one; the default passes the message on to onWarning, onError or onCriticalError, so a
    // sink that overrides only those hears every message as before. It stands after the
    // destructor so that the operations above keep their places for hosts built earlier.
    virtual int onMessage(Level i_Level, const String& i_Message, int i_Line, int i_Column);
};

#endif
