#include "TraceFile.h"

#include "TraceSystem.h"

namespace {

constexpr std::int64_t CHECK_INTERVAL_MS = 100;
constexpr std::int64_t CHECK_FRACTION = 64;

} // namespace

TraceFile::~TraceFile() { close(); }

void TraceFile::close()
{
    TraceSystem::closeFile(m_Handle);
    m_Handle = -1;
    m_Path.clear();
}

std::string TraceFile::open(const Options& options)
{
    close();
    const std::size_t slash = TraceSystem::lastSeparator(options.path);
    if (slash != std::string::npos && slash > 0) {
        std::string reason = TraceSystem::makeDirectories(options.path.substr(0, slash), options.dirPermission);
        if (!reason.empty())
            return reason;
    }
    std::string reason;
    m_Handle = TraceSystem::openAppend(options.path, options.filePermission, reason);
    if (m_Handle >= 0) {
        m_Path = options.path;
        m_OpenedBy = TraceSystem::processId();
        m_CheckedAt = 0; // the file may already be full
    }
    return reason;
}

void TraceFile::rotate(const Options& options)
{
    // Whoever holds the full file's lock and still finds it under its name rotates; everyone
    // who waited finds the name moved on and only reopens.
    TraceSystem::lockExclusive(m_Handle);
    if (TraceSystem::stillNamedBy(m_Handle, options.path)) {
        // Shift only as far as the files go: the first missing one takes its predecessor.
        long last = 1;
        while (last < options.maxFiles - 1 && TraceSystem::stampOf(options.path + "." + std::to_string(last)).exists)
            ++last;
        for (long index = last; index >= 2; --index) {
            TraceSystem::renameFile(options.path + "." + std::to_string(index - 1),
                                    options.path + "." + std::to_string(index));
        }
        if (options.maxFiles <= 1)
            TraceSystem::removeFile(options.path);
        else
            TraceSystem::renameFile(options.path, options.path + ".1");
    }
    TraceSystem::unlock(m_Handle);
}

bool TraceFile::sizeCheckDue(const Options& options) const
{
    const std::int64_t now = TraceSystem::monotonicMillis();
    if (m_CheckedAt == 0 || now - m_CheckedAt >= CHECK_INTERVAL_MS)
        return true;
    return options.maxBytes > 0 && m_UncheckedBytes >= options.maxBytes / CHECK_FRACTION;
}

std::string TraceFile::checkSize(const Options& options)
{
    std::int64_t size = 0;
    bool linked = true;
    std::string reason;
    // Gone from its name, the file is reopened: deleted (Windows keeps a file that another
    // process deleted under its name until its last handle goes) or renamed by another
    // process's rotation.
    if (!TraceSystem::sizeAndLinked(m_Handle, size, linked) || !linked ||
        !TraceSystem::stillNamedBy(m_Handle, options.path)) {
        reason = open(options);
    } else if (options.maxBytes > 0 && size >= options.maxBytes) {
        rotate(options);
        reason = open(options);
    }
    m_CheckedAt = TraceSystem::monotonicMillis();
    m_UncheckedBytes = 0;
    return reason;
}

std::string TraceFile::append(const std::string& line, const Options& options)
{
    if (m_Handle < 0 || m_Path != options.path || m_OpenedBy != TraceSystem::processId()) {
        std::string reason = open(options);
        if (!reason.empty())
            return reason;
    }
    if (sizeCheckDue(options)) {
        std::string reason = checkSize(options);
        if (!reason.empty())
            return reason;
    }
    std::string reason = TraceSystem::appendAll(m_Handle, line.data(), line.size());
    m_UncheckedBytes += static_cast<std::int64_t>(line.size());
    if (!reason.empty()) {
        reason = "cannot write trace file " + m_Path + ": " + reason;
        close();
    }
    return reason;
}
