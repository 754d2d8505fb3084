#ifndef ORVCFG_TOOL_CONFIGSESSION_H
#define ORVCFG_TOOL_CONFIGSESSION_H

#include "String.h"

// The configuration service for the life of one command: initialize on construction,
// cleanup on destruction, on every path out of the command.
class ConfigSession {
public:
    explicit ConfigSession(const char* programPath);
    ~ConfigSession();
    ConfigSession(const ConfigSession&) = delete;
    ConfigSession& operator=(const ConfigSession&) = delete;

    // The outcome of loading Orv.properties: 0, or the result code that explains why the
    // configuration could not be read.
    int loadResult() const { return m_LoadResult; }

    String configDir() const;
    String propertiesPath() const;
    String tracePropertiesPath() const;
    // The document that parse reads when it is given none: orvcli.xml in the
    // configuration directory.
    String defaultDocumentPath() const;

private:
    int m_LoadResult;
};

#endif
