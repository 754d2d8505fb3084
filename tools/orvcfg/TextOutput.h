#ifndef ORVCFG_TOOL_TEXTOUTPUT_H
#define ORVCFG_TOOL_TEXTOUTPUT_H

#include "File.h"
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

// A directory as orvcfg prints it: without a trailing separator, like every other path it
// prints, so that a script can append "/name" to any of them. The configuration directory
// of the library ends with one; the root stays "/".
inline String directoryText(const String& dir)
{
    const int length = dir.length();
    if (length > 1 && dir.charAt(length - 1) == File::pathSeparator[0])
        return dir.substring(0, length - 2); // both ends included
    return dir;
}

#endif
