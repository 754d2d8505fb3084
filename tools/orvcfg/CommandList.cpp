#include "Command.h"
#include "ConfigSession.h"
#include "FailureText.h"
#include "JsonWriter.h"
#include "OrvCfg.h"
#include "TextOutput.h"

int runList(const ToolContext& context, const Invocation& invocation)
{
    const bool asJson = invocation.has("--json");
    ConfigSession session(context.programPath);
    const int loadResult = session.loadResult();
    if (loadResult != ORVCFG_OK)
        context.err << "orvcfg: " << describeLoadFailure(loadResult, session) << '\n';

    const std::vector<std::pair<String, String>> properties = OrvCfg::getProperties();
    if (!asJson) {
        for (const auto& [key, value] : properties)
            context.out << key << '=' << value << '\n';
        return loadResult;
    }
    JsonWriter json(context.out);
    json.beginDocument();
    json.key("path").value(session.propertiesPath());
    // An array, not an object: it keeps the store's order for every JSON reader.
    json.key("properties").beginArray();
    for (const auto& [key, value] : properties)
        json.beginObject().key("key").value(key).key("value").value(value).endObject();
    json.endArray();
    if (loadResult != ORVCFG_OK) {
        json.key("error").beginObject();
        json.key("code").value(loadResult);
        json.key("message").value(describeLoadFailure(loadResult, session));
        json.endObject();
    }
    json.endObject();
    json.finish();
    return loadResult;
}
