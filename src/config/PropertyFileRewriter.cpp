#include "PropertyFileRewriter.h"

#include "FaultHook.h"

#include <cerrno>
#include <cstdio>

PropertyFileRewriter::PropertyFileRewriter(const char* path, const char* tempPath)
    : m_Path(path != nullptr ? path : ""), m_TempPath(tempPath != nullptr ? tempPath : "")
{
}

PropertyFileRewriter::~PropertyFileRewriter()
{
    abandon();
}

int PropertyFileRewriter::open()
{
    m_Input = orv::os::openFile(m_Path.c_str(), "r");
    if (!m_Input)
        return errno != 0 ? errno : ENOENT;
    m_Output = orv::os::openFile(m_TempPath.c_str(), "w");
    if (!m_Output) {
        const int error = errno != 0 ? errno : ENOENT;
        m_Input.reset();
        return error;
    }
    m_TempCreated = true;
    orv::os::reachFaultPoint(orv::os::FaultPoint::TEMP_OPENED);
    m_Reader = std::make_unique<PropertyLineReader>(m_Input.get());
    return 0;
}

bool PropertyFileRewriter::nextLine()
{
    m_LineTextValid = false;
    return m_Reader && m_Reader->next();
}

std::string_view PropertyFileRewriter::lineBytes() const
{
    return m_Reader ? m_Reader->bytes() : std::string_view();
}

const String& PropertyFileRewriter::lineText() const
{
    if (!m_LineTextValid) {
        m_LineText = propertyText(lineBytes());
        m_LineTextValid = true;
    }
    return m_LineText;
}

void PropertyFileRewriter::copyLine()
{
    if (m_Reader)
        write(m_Reader->data(), m_Reader->size());
}

void PropertyFileRewriter::writeProperty(const String& key, const String& value)
{
    std::string line(key.narrow(), key.narrowLength());
    line += '=';
    line.append(value.narrow(), value.narrowLength());
    line += '\n';
    write(line.data(), line.size());
}

void PropertyFileRewriter::write(const char* bytes, std::size_t count)
{
    if (!m_Output || m_WriteFailed || count == 0)
        return;
    if (std::fwrite(bytes, 1, count, m_Output.get()) != count)
        m_WriteFailed = true;
    orv::os::reachFaultPoint(orv::os::FaultPoint::LINE_WRITTEN);
}

PropertyFileRewriter::CommitResult PropertyFileRewriter::commit()
{
    if (!m_Input || !m_Output)
        return WRITE_FAILED;
    // A property file that could not be read to its end must not be replaced by the part
    // of it that was read.
    if (std::ferror(m_Input.get()) != 0)
        return READ_FAILED;
    m_Reader.reset();
    m_Input.reset();
    const bool written = !m_WriteFailed && orv::os::closeFile(m_Output, true);
    if (!written)
        return WRITE_FAILED;
    orv::os::reachFaultPoint(orv::os::FaultPoint::TEMP_SYNCED);
    if (!orv::os::renameFile(m_TempPath.c_str(), m_Path.c_str()))
        return MOVE_FAILED;
    m_TempCreated = false;
    orv::os::reachFaultPoint(orv::os::FaultPoint::MOVED);
    return COMMITTED;
}

void PropertyFileRewriter::abandon()
{
    m_Reader.reset();
    m_Input.reset();
    m_Output.reset();
    if (m_TempCreated) {
        orv::os::removeFile(m_TempPath.c_str());
        m_TempCreated = false;
    }
}
