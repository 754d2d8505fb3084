#ifndef ORV_PROPERTYLINEREADER_H
#define ORV_PROPERTYLINEREADER_H

#include "String.h"

#include <cstddef>
#include <cstdio>
#include <memory>
#include <string_view>

// Reads a property file the way every property file of the service is read: through a
// 260-byte line buffer, so one read yields at most 259 bytes and stops after the first line
// feed. A longer line arrives as successive pieces of at most 259 bytes, and each piece is
// a line of its own for the line rules (a 300-byte line is two lines); a rewrite that copies
// the pieces it reads reproduces the file byte for byte. Reading is byte-exact: a NUL byte
// inside a line is kept and counted (the piece's length is tracked, never taken from a
// terminating NUL), and a carriage return before the line feed stays in the piece for the
// key and value trimming to remove. A read error ends the file, and the bytes of the piece
// it interrupted are dropped; the pieces completed before it are still delivered. The
// reader neither opens nor closes its file.
//
// The file is read in large blocks and the pieces are cut from the block, which gives the
// same pieces as reading byte by byte at a fraction of the cost; the file's position is
// therefore ahead of the last piece, and nothing else may read the file while the reader
// is in use.
class PropertyLineReader {
public:
    static constexpr std::size_t LINE_BUFFER_SIZE = 260;
    static constexpr std::size_t MAX_PIECE_LENGTH = LINE_BUFFER_SIZE - 1;
    static constexpr std::size_t BLOCK_SIZE = 64 * 1024;

    explicit PropertyLineReader(std::FILE* file) : m_File(file) {}
    PropertyLineReader(const PropertyLineReader&) = delete;
    PropertyLineReader& operator=(const PropertyLineReader&) = delete;

    // Reads the next piece; false at the end of the file or when a read fails.
    bool next();

    // The bytes of the piece last read, line feed included when it had one.
    const char* data() const { return m_Buffer; }
    std::size_t size() const { return m_Size; }
    std::string_view bytes() const { return std::string_view(m_Buffer, m_Size); }
    // The piece as 16-bit text (invalid UTF-8 keeps its bytes, see String).
    String text() const;

private:
    // Moves the unread bytes to the front of the block and reads more behind them.
    void fill();

    std::FILE* m_File;
    std::unique_ptr<char[]> m_Block;
    std::size_t m_BlockBegin = 0; // first unread byte of the block
    std::size_t m_BlockEnd = 0;   // end of the bytes read into the block
    bool m_AtEnd = false;         // the file has nothing more to give
    bool m_ReadFailed = false;    // ... because a read failed
    char m_Buffer[LINE_BUFFER_SIZE] = {};
    std::size_t m_Size = 0;
};

// The white space that key and value trimming removes: the ASCII blanks and line ends that
// String::trim removes. Every one is a single byte that never occurs inside a multi-byte
// sequence, so trimming the bytes of a line and trimming its 16-bit text agree.
constexpr bool isPropertyBlank(unsigned int c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// Bytes of a property file as 16-bit text, the same text as String(bytes, size). Most lines
// are plain ASCII, whose units are the bytes themselves: those are widened directly.
String propertyText(std::string_view bytes);

// The bytes of `text` without leading and trailing white space.
std::string_view trimPropertyBytes(std::string_view text);

// Splits a property line at its first "=" into the trimmed bytes of key and value. False,
// with key and value untouched, when the line holds no property: a comment ("#" in the
// first column only), a line without "=", or a line whose first character is "=". "=",
// "#" and the blanks are ASCII and never part of a multi-byte sequence, so decoding the
// key and value bytes gives exactly the key and value cut from the line's 16-bit text.
bool splitPropertyLine(std::string_view line, std::string_view& key, std::string_view& value);

#endif
