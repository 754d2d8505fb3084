#ifndef ORV_STRING_H
#define ORV_STRING_H

#include "OrvExport.h"

#include <cstddef>
#include <memory>
#include <string>

// A string of 16-bit units, the text type of every interface of the libraries.
//
// The narrow form is UTF-8. Narrow text is decoded as UTF-8; a byte that is not part of a
// valid UTF-8 sequence becomes the unit U+DC00 + byte (U+DC80..U+DCFF), and encoding turns such a unit back
// into that byte, so any line of a property file survives the round trip unchanged.
// Indices are 0-based; "not found" is negative.
class ORVBASE_API String {
public:
    String();
    String(const char* narrow);                        // null gives the empty string
    String(const char* narrow, std::size_t byteCount); // exactly byteCount bytes, NULs included
    String(const unsigned short* units);               // null gives the empty string
    String(const unsigned short* units, std::size_t count);
    String(const char16_t* units);                     // null gives the empty string
    String(const char16_t* units, std::size_t count);
    String(const String& other);
    String(String&& other) noexcept;
    virtual ~String();

    String& operator=(const String& other);
    String& operator=(String&& other) noexcept;
    // Replaces the contents with `count` units, reusing the string's storage.
    String& assign(const char16_t* units, std::size_t count);

    // NUL-terminated 16-bit contents, read in place without a copy.
    const unsigned short* getBuffer() const;
    const char16_t* getUnits() const { return m_Units.c_str(); }

    // The narrow (UTF-8) form; valid while the string is unchanged.
    operator const char*() const;
    const char* narrow() const;
    // Bytes of the narrow form (it may hold NUL bytes from NUL units).
    std::size_t narrowLength() const;

    int length() const { return static_cast<int>(m_Units.size()); }
    bool isEmpty() const { return m_Units.empty(); }
    // The unit at index; charAt(length()) gives 0, as does any index out of range.
    unsigned short charAt(int index) const;

    int indexOf(unsigned short unit, int from = 0) const;
    int indexOf(const String& text, int from = 0) const;
    // The last occurrence at or before `from`; -1 searches the whole string.
    int lastIndexOf(unsigned short unit, int from = -1) const;

    String substring(int first) const;
    // Units first through last, both included.
    String substring(int first, int last) const;

    // Removes leading and trailing white space in place.
    String& trim();

    // Nonzero when the string holds `prefix` at `offset`.
    int startsWith(const String& prefix, int offset = 0) const;
    int endsWith(const String& suffix) const;

    // Ordinal, case-sensitive comparison of the units (flag 0); negative, zero or positive.
    int compareTo(const String& other, int flag = 0) const;

    String& concat(const char* narrow);
    String& concat(const unsigned short* units);
    String& concat(const String& other);
    String& insertSubstring(int index, const String& text);
    // Replaces every occurrence of one unit by another, in place.
    String& replace(unsigned short from, unsigned short to);

    static String valueOf(long value);

    bool operator==(const String& other) const { return m_Units == other.m_Units; }
    bool operator!=(const String& other) const { return m_Units != other.m_Units; }
    bool operator<(const String& other) const { return m_Units < other.m_Units; }

    const std::u16string& units() const { return m_Units; }

private:
    void invalidateNarrow() { m_Narrow.reset(); }

    std::u16string m_Units;
    // The narrow form, made on first request. Kept behind a pointer so that a string that
    // is never narrowed (most node names and texts) costs only its units.
    mutable std::unique_ptr<std::string> m_Narrow;
};

// UTF-8 with escaped bytes -> 16-bit units, and back; exposed for callers that convert
// without building a String.
ORVBASE_API std::u16string orvDecodeNarrow(const char* bytes, std::size_t count);
ORVBASE_API std::string orvEncodeNarrow(const char16_t* units, std::size_t count);

#endif
