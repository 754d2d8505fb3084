#include "PropertyLineReader.h"

bool PropertyLineReader::next()
{
    m_Size = 0;
    while (m_Size < MAX_PIECE_LENGTH) {
        int c = std::getc(m_File);
        if (c == EOF) {
            if (std::ferror(m_File)) {
                m_Size = 0;
                return false;
            }
            break;
        }
        m_Buffer[m_Size++] = static_cast<char>(c);
        if (c == '\n')
            break;
    }
    m_Buffer[m_Size] = '\0';
    return m_Size > 0;
}

bool splitPropertyLine(const String& line, String& key, String& value)
{
    if (line.charAt(0) == u'#')
        return false;
    int equals = line.indexOf(static_cast<unsigned short>(u'='), 0);
    if (equals <= 0)
        return false;
    const char16_t* units = line.getUnits();
    String newKey(units, static_cast<std::size_t>(equals));
    String newValue(units + equals + 1, static_cast<std::size_t>(line.length() - equals - 1));
    newKey.trim();
    newValue.trim();
    key = newKey;
    value = newValue;
    return true;
}
