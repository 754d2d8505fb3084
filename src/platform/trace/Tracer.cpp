#include "Tracer.h"

#include <cstdio>
#include <mutex>

namespace {

std::mutex& receiverMutex()
{
    static std::mutex m;
    return m;
}

Tracer::Receiver& currentReceiver()
{
    static Tracer::Receiver receiver;
    return receiver;
}

const char* levelName(int level)
{
    switch (level) {
    case 0:
        return "CRITICAL";
    case 1:
        return "ERROR";
    case 2:
        return "WARNING";
    default:
        return "INFO";
    }
}

} // namespace

Tracer& Tracer::getInstance(Component component)
{
    static Tracer tracers[] = {Tracer(COMPONENT_HW),  Tracer(COMPONENT_SWS), Tracer(COMPONENT_COMMON),
                               Tracer(COMPONENT_FSS), Tracer(COMPONENT_VPD), Tracer(COMPONENT_PLG)};
    int index = static_cast<int>(component);
    if (index < 0 || index >= static_cast<int>(sizeof tracers / sizeof tracers[0]))
        index = COMPONENT_COMMON;
    return tracers[index];
}

Tracer::Receiver Tracer::setReceiver(Receiver receiver)
{
    std::lock_guard<std::mutex> lock(receiverMutex());
    Receiver previous = std::move(currentReceiver());
    currentReceiver() = std::move(receiver);
    return previous;
}

void Tracer::emit(const TraceRecord& record)
{
    Receiver receiver;
    {
        std::lock_guard<std::mutex> lock(receiverMutex());
        receiver = currentReceiver();
    }
    if (receiver) {
        receiver(record);
        return;
    }
    std::fprintf(stderr, "[%s] %s: %s\n", levelName(record.level), record.label.c_str(), record.text.c_str());
}
