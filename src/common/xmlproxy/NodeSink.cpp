#include "NodeSink.h"

// A sink that only collects trees need not care about messages.
int NodeSink::onWarning(const String&, int)
{
    return 0;
}

int NodeSink::onError(const String&, int)
{
    return 0;
}

int NodeSink::onCriticalError(const String&, int)
{
    return 0;
}

NodeSink::~NodeSink() = default;

int NodeSink::onMessage(Level i_Level, const String& i_Message, int i_Line, int)
{
    switch (i_Level) {
    case LEVEL_WARNING:
        return onWarning(i_Message, i_Line);
    case LEVEL_ERROR:
        return onError(i_Message, i_Line);
    case LEVEL_CRITICAL:
        break;
    }
    return onCriticalError(i_Message, i_Line);
}
