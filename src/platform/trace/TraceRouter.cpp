#include "TraceRouter.h"

#include "TraceLine.h"

namespace {

constexpr std::int64_t CHECK_INTERVAL_MS = 1000;
const char* const TO_STANDARD_ERROR = "; trace statements go to standard error";

} // namespace

TraceRouter& TraceRouter::instance()
{
    // Never destroyed: statements made by other objects' destructors at exit still find it.
    static TraceRouter* router = new TraceRouter();
    return *router;
}

TraceRouter::TraceRouter()
{
    for (int component = 0; component < TraceSettings::COMPONENT_COUNT; ++component)
        m_Highest[component].store(TraceSettings::highestStatementLevel(m_Settings.levels[component]));
}

void TraceRouter::usePropertiesFile(const std::string& path)
{
    std::lock_guard<std::mutex> lock(m_Mutex);
    const TraceSystem::FileStamp stamp = TraceSystem::stampOf(path);
    // A host that initializes again with the same directory does not read the file again.
    if (path == m_Path && stamp == m_Stamp && !path.empty())
        return;
    m_Path = path;
    m_Stamp = stamp;
    adopt(path.empty() ? TraceSettings() : TraceSettings::read(path));
    m_NextCheck.store(TraceSystem::monotonicMillis() + CHECK_INTERVAL_MS, std::memory_order_relaxed);
    m_Watching.store(!path.empty(), std::memory_order_relaxed);
}

bool TraceRouter::isEnabled(int component, int level)
{
    if (m_Watching.load(std::memory_order_relaxed)) {
        const std::int64_t now = TraceSystem::monotonicMillis();
        if (now >= m_NextCheck.load(std::memory_order_relaxed))
            pollForChange(now);
    }
    if (component < 0 || component >= TraceSettings::COMPONENT_COUNT)
        component = Tracer::COMPONENT_COMMON;
    return level <= m_Highest[component].load(std::memory_order_relaxed);
}

void TraceRouter::pollForChange(std::int64_t now)
{
    // One thread looks; the others go on with the settings in force.
    std::unique_lock<std::mutex> lock(m_Mutex, std::try_to_lock);
    if (lock.owns_lock())
        checkForChange(now);
}

void TraceRouter::checkForChange(std::int64_t now)
{
    if (m_Path.empty() || now < m_NextCheck.load(std::memory_order_relaxed))
        return;
    m_NextCheck.store(now + CHECK_INTERVAL_MS, std::memory_order_relaxed);
    const TraceSystem::FileStamp stamp = TraceSystem::stampOf(m_Path);
    if (stamp == m_Stamp)
        return;
    // A rewrite removes the old file just before the new one takes its name; a file that is
    // missing after a good read keeps the settings in force until a file is there again.
    if (!stamp.exists && m_Settings.propertiesRead)
        return;
    m_Stamp = stamp;
    adopt(TraceSettings::read(m_Path));
}

void TraceRouter::adopt(TraceSettings settings)
{
    // A trace file the new settings do not name is let go at once: on Windows an open file
    // keeps its directory from being removed.
    if (settings.fileName != m_Settings.fileName)
        m_File.close();
    m_Settings = std::move(settings);
    for (int component = 0; component < TraceSettings::COMPONENT_COUNT; ++component)
        m_Highest[component].store(TraceSettings::highestStatementLevel(m_Settings.levels[component]),
                                   std::memory_order_relaxed);
    m_RetryFileAt = 0;
    for (const std::string& problem : m_Settings.problems)
        notice(m_Settings.propertiesRead ? problem + "; the default stands" : problem + TO_STANDARD_ERROR);
    if (m_Settings.propertiesRead && m_Settings.fileName.empty())
        notice(m_Path + " names no trace file" + TO_STANDARD_ERROR);
}

void TraceRouter::notice(const std::string& text)
{
    if (m_NoticesGiven.insert(text).second)
        m_NoticesPending.push_back(text);
}

void TraceRouter::giveNotices()
{
    for (const std::string& text : m_NoticesPending) {
        const std::string line = "orvtrace: " + text + "\n";
        TraceSystem::writeStandardError(line.data(), line.size());
    }
    m_NoticesPending.clear();
}

bool TraceRouter::write(const TraceRecord& record, bool fileOnly)
{
    std::string line;
    TraceLine::formatNow(record, line);
    const std::int64_t now = TraceSystem::monotonicMillis();
    std::lock_guard<std::mutex> lock(m_Mutex);
    checkForChange(now);
    if (!m_Settings.fileName.empty() && now >= m_RetryFileAt) {
        TraceFile::Options options;
        options.path = m_Settings.fileName;
        options.maxFiles = m_Settings.maxFiles;
        options.maxBytes = m_Settings.maxFileSizeKb * 1024;
        options.filePermission = m_Settings.filePermission;
        options.dirPermission = m_Settings.dirPermission;
        const std::string reason = m_File.append(line, options);
        if (reason.empty())
            return true;
        // A file that cannot be used is tried again a second later, not on every line.
        m_RetryFileAt = now + CHECK_INTERVAL_MS;
        notice(reason + TO_STANDARD_ERROR);
    }
    if (fileOnly)
        return false;
    giveNotices();
    TraceSystem::writeStandardError(line.data(), line.size());
    return false;
}

TraceSettings TraceRouter::settings()
{
    std::lock_guard<std::mutex> lock(m_Mutex);
    return m_Settings;
}
