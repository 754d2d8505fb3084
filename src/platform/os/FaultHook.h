#ifndef ORV_OS_FAULTHOOK_H
#define ORV_OS_FAULTHOOK_H

// Named points on the way of a property file rewrite, at which a test can stop the process
// (for instance with SIGKILL) to check what a crash there leaves on disk. Without a hook,
// which is how every program runs, reaching a point costs one test of a pointer.
namespace orv::os {

enum class FaultPoint {
    TEMP_OPENED,   // the temporary file was created (or truncated), nothing written yet
    LINE_WRITTEN,  // one more line went to the temporary file (possibly still buffered)
    TEMP_SYNCED,   // the temporary file is complete on the device, about to be moved
    MOVED,         // the temporary file took the property file's place
    BETWEEN_FILES, // the trace property file was rewritten, the main one not yet
};

using FaultHook = void (*)(FaultPoint point);

// Installs the hook (null removes it). For tests only.
void setFaultHook(FaultHook hook);

namespace detail {
extern FaultHook g_FaultHook;
}

inline void reachFaultPoint(FaultPoint point)
{
    if (detail::g_FaultHook != nullptr)
        detail::g_FaultHook(point);
}

} // namespace orv::os

#endif
