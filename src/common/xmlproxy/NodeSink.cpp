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
