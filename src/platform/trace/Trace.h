#ifndef ORV_TRACE_H
#define ORV_TRACE_H

#include "OrvExport.h"
#include "String.h"
#include "Tracer.h"

#include <string>

// One trace statement, labelled with the operation that writes it. Insertions append to
// the statement's text; the modifier with value 0 closes the line and hands it to the
// tracer. A statement destroyed while still open is closed by its destructor.
//
// Whether a line passes its component's level is decided at its first insertion, before
// anything is formatted or allocated; the insertions of a line that does not pass do nothing.
class ORVTRACE_API Trace {
public:
    struct Modifier {
        int value;
    };
    static const Modifier endl; // value 0: closes the line

    // `where` must stay valid for the life of the statement (it is a literal in every caller).
    Trace(Tracer& tracer, const char* where) : m_Tracer(tracer), m_Label(where) {}
    ~Trace();
    Trace(const Trace&) = delete;
    Trace& operator=(const Trace&) = delete;

    // The statement's level, set directly before the first insertion: 0 critical, 1 error,
    // 2 warning, 3 information, 4 and above debugging.
    int level = 3;

    Trace& operator<<(const char* text);
    Trace& operator<<(const unsigned short* text);
    Trace& operator<<(int value);
    Trace& operator<<(const String& text);
    Trace& operator<<(const Modifier& modifier);

private:
    enum LineState { LINE_UNDECIDED, LINE_OPEN, LINE_MUTED };

    bool accepting()
    {
        if (m_State == LINE_UNDECIDED)
            m_State = m_Tracer.isEnabled(level) ? LINE_OPEN : LINE_MUTED;
        return m_State == LINE_OPEN;
    }
    void flush();

    Tracer& m_Tracer;
    const char* m_Label;
    std::string m_Text;
    LineState m_State = LINE_UNDECIDED;
};

#endif
