#ifndef ORV_PROPERTYLINEREADER_H
#define ORV_PROPERTYLINEREADER_H

#include "String.h"

#include <cstddef>
#include <cstdio>
#include <string_view>

// Reads a property file the way every property file of the service is read: through a
// 260-byte line buffer, so one read yields at most 259 bytes and stops after the first line
// feed. A longer line arrives as successive pieces of at most 259 bytes, and each piece is
// a line of its own for the line rules (a 300-byte line is two lines); a rewrite that copies
// the pieces it reads reproduces the file byte for byte. Reading is byte-exact: bytes are
// taken one at a time, so a NUL byte inside a line is kept and counted (the piece's length
// is tracked, never taken from a terminating NUL), and a carriage return before the line
// feed stays in the piece for the key and value trimming to remove. A read error ends the
// file, and the bytes of the piece it interrupted are dropped. The reader neither opens nor
// closes its file.
class PropertyLineReader {
public:
    static constexpr std::size_t LINE_BUFFER_SIZE = 260;
    static constexpr std::size_t MAX_PIECE_LENGTH = LINE_BUFFER_SIZE - 1;

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
    String text() const { return String(m_Buffer, m_Size); }

private:
    std::FILE* m_File;
    char m_Buffer[LINE_BUFFER_SIZE] = {};
    std::size_t m_Size = 0;
};

// Splits a property line at its first "=" into the trimmed key and value. False, with key
// and value untouched, when the line holds no property: a comment ("#" in the first
// column only), a line without "=", or a line whose first character is "=".
bool splitPropertyLine(const String& line, String& key, String& value);

#endif
