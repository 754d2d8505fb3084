#include "FaultHook.h"

namespace orv::os {

namespace detail {
FaultHook g_FaultHook = nullptr;
}

void setFaultHook(FaultHook hook)
{
    detail::g_FaultHook = hook;
}

} // namespace orv::os
