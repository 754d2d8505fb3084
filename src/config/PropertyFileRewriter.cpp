#include "PropertyFileRewriter.h"

#include "FaultHook.h"

#include <cstdio>

PropertyFileRewriter::PropertyFileRewriter(const char* path, const char* tempPath, unsigned int mode)
    : m_Path(path != nullptr ? path : ""), m_TempPath(tempPath != nullptr ? tempPath : ""), m_Mode(mode)
{
}

PropertyFileRewriter::~PropertyFileRewriter()
{
    abandon();
}

int PropertyFileRewriter::open()
{
    if (const int error = orv::os::openPlainFile(m_Path.c_str(), m_Input); error != 0)
        return error;
    if (const int error = orv::os::createPrivateFile(m_TempPath.c_str(), m_Output); error != 0) {
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
    const std::string_view replaced = lineBytes();
    const bool crlf = replaced.size() >= 2 && replaced.substr(replaced.size() - 2) == "\r\n";
    line += crlf ? "\r\n" : "\n";
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
    // A mode that cannot be set leaves the file private to its owner, never open to others.
    orv::os::setFileMode(m_Output, m_Mode);
    const bool written = !m_WriteFailed && orv::os::closeFile(m_Output, true);
    if (!written)
        return WRITE_FAILED;
    orv::os::reachFaultPoint(orv::os::FaultPoint::TEMP_SYNCED);
    if (!orv::os::replaceFile(m_TempPath.c_str(), m_Path.c_str()))
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
