#include "Tracer.h"

#include "TraceRouter.h"

#include <mutex>

namespace {

const char* const PROPERTIES_NAME = "OrvTrace.properties";

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

void Tracer::setConfigurationDirectory(const char* directory)
{
    if (directory == nullptr || *directory == '\0') {
        setPropertiesFile(nullptr);
        return;
    }
    std::string path(directory);
    if (path.back() != '/' && path.back() != '\\')
        path += '/';
    TraceRouter::instance().usePropertiesFile(path + PROPERTIES_NAME);
}

void Tracer::setPropertiesFile(const char* path)
{
    TraceRouter::instance().usePropertiesFile(path != nullptr ? path : "");
}

TraceSettings Tracer::getSettings() { return TraceRouter::instance().settings(); }

bool Tracer::writeToTraceFile(const TraceRecord& record) { return TraceRouter::instance().write(record, true); }

bool Tracer::isEnabled(int level) const { return TraceRouter::instance().isEnabled(m_Component, level); }

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
    TraceRouter::instance().write(record, false);
}
