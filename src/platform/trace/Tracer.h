#ifndef ORV_TRACER_H
#define ORV_TRACER_H

#include "OrvExport.h"
#include "TraceSettings.h"

#include <functional>
#include <string>

// One finished trace statement.
struct TraceRecord {
    int level = 0;       // 0 critical, 1 error, 2 warning, 3 information, 4 and above debugging
    int component = 0;
    std::string label;   // the operation that wrote it, e.g. "ParseNodeSink::onWarning"
    std::string text;    // the insertions, concatenated, as UTF-8
};

// The process-wide tracer of a component. Which statements pass, and where their lines go,
// is set by OrvTrace.properties once the host names it (OrvCfg::initialize names the one of
// its configuration directory); until then statements of levels 0 to 2 go to standard error.
class ORVTRACE_API Tracer {
public:
    enum Component { COMPONENT_HW = 0, COMPONENT_SWS = 1, COMPONENT_COMMON = 2, COMPONENT_FSS = 3,
                     COMPONENT_VPD = 4, COMPONENT_PLG = 5 };
    using Receiver = std::function<void(const TraceRecord&)>;

    static Tracer& getInstance(Component component);

    // Installs a receiver for the finished statements of every component that their level
    // lets through, instead of the trace file or standard error (an empty one restores
    // them); returns the previous receiver.
    static Receiver setReceiver(Receiver receiver);

    // Reads OrvTrace.properties in `directory` and follows its changes from now on.
    static void setConfigurationDirectory(const char* directory);
    // The same for a properties file named by the host itself; null or empty forgets it.
    static void setPropertiesFile(const char* path);
    // The settings in force, with where each came from.
    static TraceSettings getSettings();
    // Writes a finished statement to the trace file only; false when no trace file could take
    // it. For a host that also shows the statement itself.
    static bool writeToTraceFile(const TraceRecord& record);

    Component getComponent() const { return m_Component; }
    // Whether a statement of `level` passes this component's level; cheap enough to ask first.
    bool isEnabled(int level) const;
    void emit(const TraceRecord& record);

private:
    explicit Tracer(Component component) : m_Component(component) {}
    Component m_Component;
};

#endif
