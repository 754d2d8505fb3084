#include "EntityExpansionMeter.h"

#include "ParseGuard.h"

#include <xercesc/framework/XMLEntityDecl.hpp>

EntityExpansionMeter::EntityExpansionMeter(ParseGuard* i_Guard) : m_Guard(i_Guard) {}

EntityExpansionMeter::~EntityExpansionMeter() = default;

void EntityExpansionMeter::startEntityReference(const xercesc::XMLEntityDecl& i_Entity)
{
    // External entities never get this far: the resolver refuses them.
    m_Guard->chargeEntityExpansion(i_Entity.getValueLen());
}
