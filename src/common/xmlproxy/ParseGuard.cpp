#include "ParseGuard.h"

#include "ParseRefusal.h"
#include "SAXHandler.h"
#include "String.h"

#include <algorithm>
#include <string>

namespace {

constexpr int kNoDocumentLine = 0;

long long unitBytes(std::size_t i_Units)
{
    return static_cast<long long>(std::min<std::size_t>(i_Units, static_cast<std::size_t>(1) << 60)) * 2;
}

} // namespace

ParseGuard::ParseGuard(SAXHandler* i_Handler, const ParseLimits& i_Limits)
    : m_Handler(i_Handler),
      m_Locator(nullptr),
      m_Limits(i_Limits),
      m_DocumentBytes(0),
      m_EntityBytes(0),
      m_TextRunBytes(0),
      m_TreeBytes(0)
{
}

int ParseGuard::currentLine() const
{
    return m_Locator != nullptr ? static_cast<int>(m_Locator->getLineNumber()) : kNoDocumentLine;
}

void ParseGuard::refuse(const String& i_Message) const
{
    m_Handler->fatalError(i_Message, currentLine());
    throw ParseRefusal();
}

void ParseGuard::refuseAtLine(const char* i_Message, int i_Line) const
{
    m_Handler->fatalError(String(i_Message), i_Line);
    throw ParseRefusal();
}

void ParseGuard::refuseBound(const char* i_What, long long i_Bound) const
{
    const std::string message = std::string(i_What) + " exceeds its bound of " + std::to_string(i_Bound) + " bytes";
    refuse(String(message.c_str()));
}

void ParseGuard::reportLibraryMemory() const
{
    const std::string message = "The XML library's working memory exceeds its bound of " +
                                std::to_string(m_Limits.libraryMemoryBytes) + " bytes";
    m_Handler->fatalError(String(message.c_str()), currentLine());
}

void ParseGuard::chargeDocumentBytes(std::size_t i_Bytes, bool i_FromZipEntry)
{
    m_DocumentBytes += static_cast<long long>(i_Bytes);
    if (i_FromZipEntry && m_DocumentBytes > m_Limits.zipEntryBytes)
        refuseBound("The zip entry's uncompressed data", m_Limits.zipEntryBytes);
}

void ParseGuard::chargeEntityExpansion(std::size_t i_Units)
{
    m_EntityBytes += unitBytes(i_Units);
    if (m_EntityBytes > m_Limits.entityExpansionBytes)
        refuseBound("Entity expansion", m_Limits.entityExpansionBytes);
}

void ParseGuard::chargeTextRun(std::size_t i_Units)
{
    m_TextRunBytes += unitBytes(i_Units);
    if (m_TextRunBytes > m_Limits.valueBytes)
        refuseBound("A text run", m_Limits.valueBytes);
}

void ParseGuard::chargeAttributeValue(std::size_t i_Units)
{
    if (unitBytes(i_Units) > m_Limits.valueBytes)
        refuseBound("An attribute value", m_Limits.valueBytes);
}

void ParseGuard::chargeTree(std::size_t i_Bytes)
{
    m_TreeBytes += static_cast<long long>(i_Bytes);
    // The document's bytes are those read so far; the library reads ahead of the parse,
    // so the trees of what has been parsed are measured against at least their source.
    const long long bound = std::max(m_Limits.treeFloorBytes, m_DocumentBytes * m_Limits.treeBytesPerDocumentByte);
    if (m_TreeBytes > bound)
        refuseBound("The size of the node trees", bound);
}
