#include "PropertyLineReader.h"

#include <algorithm>
#include <cstring>

void PropertyLineReader::fill()
{
    if (!m_Block)
        m_Block.reset(new char[BLOCK_SIZE]);
    const std::size_t unread = m_BlockEnd - m_BlockBegin;
    if (m_BlockBegin != 0 && unread != 0)
        std::memmove(m_Block.get(), m_Block.get() + m_BlockBegin, unread);
    m_BlockBegin = 0;
    m_BlockEnd = unread;
    const std::size_t wanted = BLOCK_SIZE - unread;
    const std::size_t got = std::fread(m_Block.get() + unread, 1, wanted, m_File);
    m_BlockEnd += got;
    if (got < wanted) {
        // A short read is the end of the file or a failure; either way nothing more comes.
        m_AtEnd = true;
        m_ReadFailed = std::ferror(m_File) != 0;
    }
}

bool PropertyLineReader::next()
{
    m_Size = 0;
    std::size_t take = 0;
    for (;;) {
        const std::size_t unread = m_BlockEnd - m_BlockBegin;
        const char* start = m_Block ? m_Block.get() + m_BlockBegin : nullptr;
        const std::size_t window = std::min(unread, MAX_PIECE_LENGTH);
        if (window != 0) {
            if (const void* lineFeed = std::memchr(start, '\n', window)) {
                take = static_cast<std::size_t>(static_cast<const char*>(lineFeed) - start) + 1;
                break;
            }
        }
        if (unread >= MAX_PIECE_LENGTH) {
            take = MAX_PIECE_LENGTH;
            break;
        }
        if (m_AtEnd) {
            if (m_ReadFailed) {
                // The piece the failure interrupted is dropped, and the file ends here.
                m_BlockBegin = m_BlockEnd;
                m_Buffer[0] = '\0';
                return false;
            }
            take = unread;
            break;
        }
        fill();
    }
    if (take != 0)
        std::memcpy(m_Buffer, m_Block.get() + m_BlockBegin, take);
    m_BlockBegin += take;
    m_Size = take;
    m_Buffer[m_Size] = '\0';
    return m_Size > 0;
}

std::string_view trimPropertyBytes(std::string_view text)
{
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && isPropertyBlank(static_cast<unsigned char>(text[begin])))
        ++begin;
    while (end > begin && isPropertyBlank(static_cast<unsigned char>(text[end - 1])))
        --end;
    return text.substr(begin, end - begin);
}

bool splitPropertyLine(std::string_view line, std::string_view& key, std::string_view& value)
{
    if (line.empty() || line.front() == '#')
        return false;
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos || equals == 0)
        return false;
    key = trimPropertyBytes(line.substr(0, equals));
    value = trimPropertyBytes(line.substr(equals + 1));
    return true;
}

String PropertyLineReader::text() const
{
    return propertyText(bytes());
}

String propertyText(std::string_view bytes)
{
    // ASCII and two-byte sequences (the letters of the Latin scripts) are decoded here;
    // anything else, and any byte that is not valid there, goes to the full decoder.
    if (bytes.size() <= PropertyLineReader::MAX_PIECE_LENGTH) {
        char16_t units[PropertyLineReader::MAX_PIECE_LENGTH];
        std::size_t count = 0;
        std::size_t i = 0;
        const std::size_t size = bytes.size();
        while (i < size) {
            const auto byte = static_cast<unsigned char>(bytes[i]);
            if (byte < 0x80) {
                units[count++] = byte;
                ++i;
                continue;
            }
            if (byte < 0xC2 || byte > 0xDF || i + 1 == size)
                break;
            const auto next = static_cast<unsigned char>(bytes[i + 1]);
            if ((next & 0xC0) != 0x80)
                break;
            units[count++] = static_cast<char16_t>(((byte & 0x1F) << 6) | (next & 0x3F));
            i += 2;
        }
        if (i == size)
            return String(units, count);
    }
    return String(bytes.data(), bytes.size());
}
