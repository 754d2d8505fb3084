#ifndef ORV_NETWORKACCESSOFF_H
#define ORV_NETWORKACCESSOFF_H

#include <xercesc/util/PlatformUtils.hpp>

// No part of a parse, nor of compiling its schema, may reach the network: the XML library's
// network accessor is taken away for the object's life and given back afterwards, for other
// users of the library in the process.
class NetworkAccessOff {
public:
    NetworkAccessOff() : m_Saved(xercesc::XMLPlatformUtils::fgNetAccessor)
    {
        xercesc::XMLPlatformUtils::fgNetAccessor = nullptr;
    }
    ~NetworkAccessOff() { xercesc::XMLPlatformUtils::fgNetAccessor = m_Saved; }
    NetworkAccessOff(const NetworkAccessOff&) = delete;
    NetworkAccessOff& operator=(const NetworkAccessOff&) = delete;

private:
    xercesc::XMLNetAccessor* m_Saved;
};

#endif
