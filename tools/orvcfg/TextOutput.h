#ifndef ORVCFG_TOOL_TEXTOUTPUT_H
#define ORVCFG_TOOL_TEXTOUTPUT_H

#include "String.h"

#include <ostream>
#include <string>

// Writes the narrow form of a String byte for byte: a byte of a property file that is not
// UTF-8 comes out exactly as it went in.
inline std::ostream& operator<<(std::ostream& out, const String& text)
{
    return out.write(text.narrow(), static_cast<std::streamsize>(text.narrowLength()));
}

// A command-line argument as a String (arguments are narrow text, decoded as UTF-8).
inline String toString(const std::string& text) { return String(text.c_str(), text.size()); }

#endif
