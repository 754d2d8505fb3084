#ifndef ORV_UTF8XMLENCODING_H
#define ORV_UTF8XMLENCODING_H

#include "String.h"

#include <cstddef>
#include <ostream>
#include <string>

// One piece of XML output: a 16-bit text, escaped for XML when asked, converted once to
// UTF-8 into a buffer sized for the worst case (4 bytes per unit plus 4), and written to a
// narrow stream with operator<<. Made for one piece of output and destroyed at once.
//
// Escaping replaces the five markup characters by entity references and tab, line feed and
// carriage return by decimal character references, drops the other control characters,
// and in non-ASCII mode replaces every unit of 127 or more by a decimal reference. A lone
// surrogate is written as U+FFFD.
class UTF8XMLEncoding {
public:
    enum EscapeResult : int {
        ESCAPE_KEEP = 0,    // the unit stays
        ESCAPE_DROP = 1,    // the unit is removed
        ESCAPE_REPLACE = 2, // the unit becomes the replacement
    };

    // Escaped, basic mode (units of 127 and more are written as UTF-8).
    explicit UTF8XMLEncoding(const unsigned short* i_Text);
    // The narrow text is decoded by String first; escaped, basic mode.
    explicit UTF8XMLEncoding(const char* i_Text);
    UTF8XMLEncoding(const unsigned short* i_Text, bool i_Escape, bool i_EscapeNonAscii);
    // Escaped, basic mode.
    explicit UTF8XMLEncoding(const String& i_Text);
    // i_Length units; escaped, basic mode.
    UTF8XMLEncoding(const char16_t* i_Text, std::size_t i_Length);
    virtual ~UTF8XMLEncoding();

    UTF8XMLEncoding(const UTF8XMLEncoding&) = delete;
    UTF8XMLEncoding& operator=(const UTF8XMLEncoding&) = delete;

    // The text after escaping.
    const String& getText() const { return m_Text; }
    // The UTF-8 bytes, ended by a zero byte.
    const char* getUTF8() const { return m_UTF8; }

    // Escapes the whole text in place; linear in its length.
    static void escapeXML(String& io_Text, bool i_EscapeNonAscii);
    // Classifies one unit: ESCAPE_KEEP, ESCAPE_DROP (o_Replacement empty) or ESCAPE_REPLACE.
    static int escapeXMLChar(int i_Unit, std::u16string& o_Replacement, bool i_EscapeNonAscii);

    friend std::ostream& operator<<(std::ostream& o_Out, const UTF8XMLEncoding& i_Encoding);

private:
    void init(bool i_Escape);

    String m_Text;
    char* m_UTF8;
    bool m_EscapeNonAscii;
};

#endif
