#ifndef ORV_PARSEGUARD_H
#define ORV_PARSEGUARD_H

#include "ParseLimits.h"

#include <xercesc/sax/Locator.hpp>

#include <cstddef>

class SAXHandler;
class String;

// Keeps the account of one parse against its limits. The adapter's pieces charge what the
// document makes the library do; the first charge past a bound tells the handler which
// bound it was, at the document's current line, and throws ParseRefusal to end the parse.
class ParseGuard {
public:
    ParseGuard(SAXHandler* i_Handler, const ParseLimits& i_Limits);
    ParseGuard(const ParseGuard&) = delete;
    ParseGuard& operator=(const ParseGuard&) = delete;

    const ParseLimits& limits() const { return m_Limits; }
    void setLocator(const xercesc::Locator* i_Locator) { m_Locator = i_Locator; }

    // Bytes read from the document (a file or a zip entry); they raise the trees' bound.
    void chargeDocumentBytes(std::size_t i_Bytes, bool i_FromZipEntry);
    void chargeEntityExpansion(std::size_t i_Units);
    // A text run's units are charged piece by piece until the next tag ends the run.
    void chargeTextRun(std::size_t i_Units);
    void endTextRun() { m_TextRunBytes = 0; }
    void chargeAttributeValue(std::size_t i_Units);
    void chargeTree(std::size_t i_Bytes);

    // Reports a critical error with the message and ends the parse.
    [[noreturn]] void refuse(const String& i_Message) const;
    [[noreturn]] void refuseAtLine(const char* i_Message, int i_Line) const;
    // Reports the library's memory bound; the caller ends the parse.
    void reportLibraryMemory() const;

private:
    [[noreturn]] void refuseBound(const char* i_What, long long i_Bound) const;
    int currentLine() const;

    SAXHandler* m_Handler;
    const xercesc::Locator* m_Locator;
    ParseLimits m_Limits;
    long long m_DocumentBytes;
    long long m_EntityBytes;
    long long m_TextRunBytes;
    long long m_TreeBytes;
};

#endif
