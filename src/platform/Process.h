#ifndef ORV_PROCESS_H
#define ORV_PROCESS_H

#include "OrvExport.h"
#include "String.h"

class ORVBASE_API Process {
public:
    // The full path of the running program's executable. `given` is the path the host
    // handed to OrvCfg::initialize; its absolute form is the answer when the operating
    // system cannot tell.
    static String getCurrentProcessFullPath(String* given);
};

#endif
