#ifndef ORV_TRACER_H
#define ORV_TRACER_H

#include "OrvExport.h"

#include <functional>
#include <string>

// One finished trace statement.
struct TraceRecord {
    int level = 0;       // 0 critical, 1 error, 2 warning, higher is more detail
    int component = 0;
    std::string label;   // the operation that wrote it, e.g. "ParseNodeSink::onWarning"
    std::string text;    // the insertions, concatenated, as UTF-8
};

// The process-wide tracer of a component. Finished statements go to standard error as one
// line each, unless a receiver is installed.
class ORVTRACE_API Tracer {
public:
    enum Component { COMPONENT_HW = 0, COMPONENT_SWS = 1, COMPONENT_COMMON = 2, COMPONENT_FSS = 3,
                     COMPONENT_VPD = 4, COMPONENT_PLG = 5 };
    using Receiver = std::function<void(const TraceRecord&)>;

    static Tracer& getInstance(Component component);

    // Installs a receiver for the finished statements of every component (an empty one
    // restores standard error); returns the previous receiver.
    static Receiver setReceiver(Receiver receiver);

    Component getComponent() const { return m_Component; }
    void emit(const TraceRecord& record);

private:
    explicit Tracer(Component component) : m_Component(component) {}
    Component m_Component;
};

#endif
