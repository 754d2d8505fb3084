#ifndef ORV_TRACE_H
#define ORV_TRACE_H

#include "OrvExport.h"
#include "String.h"
#include "Tracer.h"

#include <string>

// One trace statement, labelled with the operation that writes it. Insertions append to
// the statement's text; the modifier with value 0 closes the line and hands it to the
// tracer. A statement destroyed while still open is closed by its destructor.
class ORVTRACE_API Trace {
public:
    struct Modifier {
        int value;
    };
    static const Modifier endl; // value 0: closes the line

    Trace(Tracer& tracer, const char* where);
    ~Trace();
    Trace(const Trace&) = delete;
    Trace& operator=(const Trace&) = delete;

    // The statement's level, set directly before the first insertion: 0 critical, 1 error,
    // 2 warning.
    int level = 3;

    Trace& operator<<(const char* text);
    Trace& operator<<(const unsigned short* text);
    Trace& operator<<(int value);
    Trace& operator<<(const String& text);
    Trace& operator<<(const Modifier& modifier);

private:
    void flush();

    Tracer& m_Tracer;
    std::string m_Label;
    std::string m_Text;
    bool m_Open = false;
};

#endif
