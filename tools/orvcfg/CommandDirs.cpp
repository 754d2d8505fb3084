#include "Command.h"
#include "ConfigSession.h"
#include "ExitCode.h"
#include "FailureText.h"
#include "JsonWriter.h"
#include "OrvCfg.h"
#include "TextOutput.h"

#include <iomanip>

namespace {

struct DirectoryEntry {
    const char* label;   // text output
    const char* jsonKey; // --json output
    String value;
};

} // namespace

int runDirs(const ToolContext& context, const Invocation& invocation)
{
    ConfigSession session(context.programPath);
    const int type = OrvCfg::installationType();
    const DirectoryEntry entries[] = {
        {"installation", "installation", directoryText(OrvCfg::getInstallationDir())},
        {"configuration", "configuration", directoryText(OrvCfg::getConfigDir())},
        {"bin", "bin", OrvCfg::getBinDir()},
        {"install", "install", OrvCfg::getInstallDir()},
        {"plug-ins", "plugins", OrvCfg::getPluginsDir()},
        {"custom scanners", "customScanners", OrvCfg::getCustomScannerDir()},
        {"schema", "schema", OrvCfg::getConfigurationSchemaPath()},
    };
    const int loadResult = session.loadResult();

    if (invocation.has("--json")) {
        JsonWriter json(context.out);
        json.beginDocument();
        for (const DirectoryEntry& entry : entries)
            json.key(entry.jsonKey).value(entry.value);
        json.key("installationType").value(installationTypeName(type));
        json.key("installationTypeCode").value(type);
        json.key("properties").beginObject();
        json.key("path").value(session.propertiesPath());
        json.key("status").value(loadResult);
        json.key("message").value(loadResult == ORVCFG_OK ? std::string("loaded")
                                                           : describeLoadFailure(loadResult, session));
        json.endObject();
        json.endObject();
        json.finish();
        return TOOL_EXIT_OK;
    }

    for (const DirectoryEntry& entry : entries)
        context.out << std::left << std::setw(19) << (std::string(entry.label) + ":") << entry.value << '\n';
    context.out << std::left << std::setw(19) << "installation type:" << installationTypeName(type) << '\n';
    context.out << std::left << std::setw(19) << "properties:" << session.propertiesPath();
    if (loadResult == ORVCFG_OK)
        context.out << " (loaded)\n";
    else
        context.out << " (not loaded: " << loadResult << ": " << OrvCfg::resultText(loadResult) << ")\n";
    return TOOL_EXIT_OK;
}
