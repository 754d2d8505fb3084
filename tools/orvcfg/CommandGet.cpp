#include "Command.h"
#include "ConfigSession.h"
#include "FailureText.h"
#include "JsonWriter.h"
#include "OrvCfg.h"
#include "TextOutput.h"

namespace {

void writeJson(std::ostream& out, const String& key, bool present, const String* value,
               int errorCode, const std::string& errorMessage)
{
    JsonWriter json(out);
    json.beginDocument();
    json.key("key").value(key);
    json.key("present").value(present);
    json.key("value");
    if (value != nullptr)
        json.value(*value);
    else
        json.null();
    if (errorCode != ORVCFG_OK) {
        json.key("error").beginObject();
        json.key("code").value(errorCode);
        json.key("message").value(errorMessage);
        json.endObject();
    }
    json.endObject();
    json.finish();
}

} // namespace

int runGet(const ToolContext& context, const Invocation& invocation)
{
    const String key = toString(invocation.arguments[0]);
    const std::string* defaultText = invocation.valueOf("--default");
    const bool asJson = invocation.has("--json");
    const String defaultValue = defaultText != nullptr ? toString(*defaultText) : String();

    ConfigSession session(context.programPath);
    if (session.loadResult() != ORVCFG_OK) {
        // Without a configuration the key cannot be answered; a script that gave a default
        // still gets it on standard output, and the status tells it why.
        const int code = session.loadResult();
        const std::string message = describeLoadFailure(code, session);
        context.err << "orvcfg: " << message << '\n';
        if (asJson)
            writeJson(context.out, key, false, defaultText != nullptr ? &defaultValue : nullptr, code, message);
        else if (defaultText != nullptr)
            context.out << defaultValue << '\n';
        return code;
    }

    const String value = defaultText != nullptr ? OrvCfg::getKey(key, defaultValue.getBuffer()) : OrvCfg::getKey(key);
    const bool present = OrvCfg::getError() == ORVCFG_OK;

    if (asJson) {
        writeJson(context.out, key, present, (present || defaultText != nullptr) ? &value : nullptr, ORVCFG_OK,
                  std::string());
    } else if (present || defaultText != nullptr) {
        context.out << value << '\n';
    }
    if (!present && defaultText == nullptr && !asJson)
        context.err << "orvcfg: " << ORVCFG_KEY_NOT_FOUND << ": " << OrvCfg::resultText(ORVCFG_KEY_NOT_FOUND) << ": "
                    << key << " is not in " << session.propertiesPath() << '\n';
    return present ? ORVCFG_OK : ORVCFG_KEY_NOT_FOUND;
}
