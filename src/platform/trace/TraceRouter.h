#ifndef ORV_TRACEROUTER_H
#define ORV_TRACEROUTER_H

#include "TraceFile.h"
#include "TraceSettings.h"
#include "TraceSystem.h"
#include "Tracer.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <set>
#include <string>
#include <vector>

// The process-wide state of the trace library: the settings in force, the watch on the
// properties file, and where finished lines go (the trace file, else standard error).
//
// The level check is the hot path: a statement that its level filters out reads one clock
// and one atomic, and at most once a second looks at the properties file's time stamp, so
// that a change made by another process reaches a running host within about a second.
class TraceRouter {
public:
    static TraceRouter& instance();

    // Reads the properties file at `path` and watches it from now on; empty: back to the
    // defaults, with standard error as the output.
    void usePropertiesFile(const std::string& path);
    bool isEnabled(int component, int level);
    // Writes the line of a finished statement. With `fileOnly`, a statement that cannot go to
    // the trace file is dropped instead of going to standard error, and no notice is given.
    bool write(const TraceRecord& record, bool fileOnly);
    TraceSettings settings();

private:
    TraceRouter();
    void pollForChange(std::int64_t now);
    void checkForChange(std::int64_t now);    // m_Mutex held
    void adopt(TraceSettings settings);        // m_Mutex held
    void notice(const std::string& text);      // m_Mutex held
    void giveNotices();                        // m_Mutex held

    std::atomic<int> m_Highest[TraceSettings::COMPONENT_COUNT];
    std::atomic<bool> m_Watching{false};
    std::atomic<std::int64_t> m_NextCheck{0};

    std::mutex m_Mutex;
    std::string m_Path;
    TraceSystem::FileStamp m_Stamp;
    TraceSettings m_Settings;
    TraceFile m_File;
    std::int64_t m_RetryFileAt = 0;
    std::set<std::string> m_NoticesGiven;
    std::vector<std::string> m_NoticesPending;
};

#endif
