#ifndef ORV_TRACELINE_H
#define ORV_TRACELINE_H

#include "OrvExport.h"
#include "Tracer.h"

#include <cstdint>
#include <string>

// The text of one trace line:
//   2026-12-06T19:50:59.123Z 4711 4713 COM WARNING ParseNodeSink::onWarning: Message is ...
// UTC time with milliseconds, process id, thread id, component, level name, label, text, and
// a line feed. Control characters of the label and text are written as escapes (\n, \r, \t,
// \xNN), so a statement always stays one line and a document cannot forge lines of its own.
// Exported for the tests of the line format; hosts have no use for it.
class ORVTRACE_API TraceLine {
public:
    // Text beyond this many bytes is cut and marked, so that one statement stays one write.
    static constexpr std::size_t MAX_TEXT = 8192;

    static const char* levelName(int level);
    // Appends the line of `record` made at `seconds`.`millis` (UTC) by the given process and thread.
    static void format(const TraceRecord& record, std::int64_t seconds, int millis, long processId, long threadId,
                       std::string& out);
    // The same, at the present time, by the calling thread.
    static void formatNow(const TraceRecord& record, std::string& out);
};

#endif
