#include "ConfigSession.h"

#include "OrvCfg.h"

ConfigSession::ConfigSession(const char* programPath)
{
    OrvCfg::initialize(programPath);
    // Read at once: the next lookup overwrites the constructor's outcome.
    m_LoadResult = OrvCfg::getError();
}

ConfigSession::~ConfigSession() { OrvCfg::cleanup(); }

String ConfigSession::configDir() const { return OrvCfg::getConfigDir(); }

// The configuration directory already ends with a separator.
String ConfigSession::propertiesPath() const { return configDir().concat("Orv.properties"); }

String ConfigSession::tracePropertiesPath() const { return configDir().concat("OrvTrace.properties"); }

String ConfigSession::defaultDocumentPath() const { return configDir().concat("orvcli.xml"); }
