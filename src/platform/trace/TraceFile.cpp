#include "TraceFile.h"

#include "TraceSystem.h"

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
    const std::size_t slash = options.path.rfind('/');
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

std::string TraceFile::append(const std::string& line, const Options& options)
{
    if (m_Handle < 0 || m_Path != options.path || m_OpenedBy != TraceSystem::processId()) {
        std::string reason = open(options);
        if (!reason.empty())
            return reason;
    }
    std::int64_t size = 0;
    bool linked = true;
    if (!TraceSystem::sizeAndLinked(m_Handle, size, linked) || !linked) {
        std::string reason = open(options);
        if (!reason.empty())
            return reason;
    } else if (options.maxBytes > 0 && size >= options.maxBytes) {
        rotate(options);
        std::string reason = open(options);
        if (!reason.empty())
            return reason;
    }
    std::string reason = TraceSystem::appendAll(m_Handle, line.data(), line.size());
    if (!reason.empty()) {
        reason = "cannot write trace file " + m_Path + ": " + reason;
        close();
    }
    return reason;
}
