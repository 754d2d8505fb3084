#include "RefusingEntityResolver.h"

#include "ParseGuard.h"
#include "XmlFileInputSource.h"

#include <xercesc/util/XMLResourceIdentifier.hpp>

namespace {

bool isBlank(char16_t unit)
{
    return unit == u' ' || unit == u'\t' || unit == u'\n' || unit == u'\r';
}

// The blank-separated words of a location setting.
std::vector<String> words(const String& i_Text)
{
    std::vector<String> result;
    const std::u16string& units = i_Text.units();
    std::size_t at = 0;
    while (at < units.size()) {
        while (at < units.size() && isBlank(units[at]))
            ++at;
        std::size_t end = at;
        while (end < units.size() && !isBlank(units[end]))
            ++end;
        if (end > at)
            result.emplace_back(units.data() + at, end - at);
        at = end;
    }
    return result;
}

} // namespace

RefusingEntityResolver::RefusingEntityResolver(ParseGuard* i_Guard, const String& i_NoNamespaceSchema,
                                               const String& i_SchemaPairs)
    : m_Guard(i_Guard)
{
    if (i_NoNamespaceSchema.length() > 0)
        m_Schemas.push_back(i_NoNamespaceSchema);
    // Pairs of namespace and location: the locations are every second word.
    const std::vector<String> pairs = words(i_SchemaPairs);
    for (std::size_t index = 1; index < pairs.size(); index += 2)
        m_Schemas.push_back(pairs[index]);
}

RefusingEntityResolver::~RefusingEntityResolver() = default;

bool RefusingEntityResolver::isConfiguredSchema(const String& i_SystemId) const
{
    for (const String& schema : m_Schemas) {
        if (schema == i_SystemId)
            return true;
    }
    return false;
}

xercesc::InputSource* RefusingEntityResolver::resolveEntity(xercesc::XMLResourceIdentifier* i_Resource)
{
    const XMLCh* systemId = i_Resource->getSystemId();
    const String id(systemId != nullptr ? String(systemId) : String());
    if (i_Resource->getResourceIdentifierType() == xercesc::XMLResourceIdentifier::SchemaGrammar &&
        isConfiguredSchema(id))
        return new XmlFileInputSource(id);
    String message("External resource refused: ");
    message.concat(id);
    m_Guard->refuse(message);
}
