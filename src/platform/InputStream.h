#ifndef ORV_INPUTSTREAM_H
#define ORV_INPUTSTREAM_H

#include "OrvExport.h"

// A stream of bytes read front to back.
class ORVBASE_API InputStream {
public:
    virtual ~InputStream();
    // Reads up to `count` bytes into `buffer`; the count read, 0 at the end, negative on error.
    virtual long long read(void* buffer, long long count) = 0;
    virtual void close() = 0;
};

#endif
