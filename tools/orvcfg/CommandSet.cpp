#include "Command.h"
#include "ConfigSession.h"
#include "ExitCode.h"
#include "FailureText.h"
#include "JsonWriter.h"
#include "OrvCfg.h"
#include "TextOutput.h"

#include <cctype>

namespace {

// Why a key can never be a line of a property file, or null when it can. Such a key is
// refused before the configuration service is asked, so nothing is touched.
const char* keyProblem(const std::string& key)
{
    if (key.empty())
        return "it is empty";
    if (key.find('=') != std::string::npos)
        return "it contains \"=\"";
    if (key[0] == '#')
        return "it begins with \"#\", which makes a comment line";
    for (unsigned char c : key) {
        if (c < 0x20 || c == 0x7F)
            return "it contains a control character or a line break";
    }
    if (std::isspace(static_cast<unsigned char>(key.front())) || std::isspace(static_cast<unsigned char>(key.back())))
        return "it begins or ends with white space, which a property file drops";
    return nullptr;
}

// The outcome of a change as one JSON object: the value as it was (or would be) written, the
// result code and, for a refusal, the message that standard error shows.
void writeJson(std::ostream& out, const String& key, const String& value, int code, const std::string& message)
{
    JsonWriter json(out);
    json.beginDocument();
    json.key("key").value(key);
    json.key("value").value(value);
    json.key("status").value(code);
    json.key("message").value(code == ORVCFG_OK ? std::string(OrvCfg::resultText(code)) : message);
    json.endObject();
    json.finish();
}

} // namespace

int runSet(const ToolContext& context, const Invocation& invocation)
{
    const std::string& keyText = invocation.arguments[0];
    const std::string& valueText = invocation.arguments[1];
    if (const char* problem = keyProblem(keyText)) {
        context.err << "orvcfg: key \"" << keyText << "\" cannot be set: " << problem << '\n';
        return TOOL_EXIT_USAGE;
    }

    const String key = toString(keyText);
    const String requested = toString(valueText);

    // A dry run applies the same checks and writes nothing: it shows the line a change would
    // write, or the refusal it would meet.
    const bool dryRun = invocation.has("--dry-run");
    ConfigSession session(context.programPath);
    String value = requested;
    int result = session.loadResult();
    std::string message;
    if (result != ORVCFG_OK) {
        // A file that could not be read is not rewritten: the change is refused whole.
        message = describeLoadFailure(result, session);
    } else if (valueText.find_first_of("\r\n") != std::string::npos) {
        // A line break would split the rewritten line in two.
        result = ORVCFG_VALUE_REJECTED;
        message = describeSetFailure(result, key, requested, session);
    } else {
        result = dryRun ? OrvCfg::checkKey(key, value) : OrvCfg::setKey(key, value);
        if (result != ORVCFG_OK)
            message = describeSetFailure(result, key, requested, session);
    }

    if (invocation.has("--json"))
        writeJson(context.out, key, value, result, message);
    // Path keys come back rewritten (native separators, short form); show what was kept, and
    // for a dry run the line that would be written.
    else if (value != requested || (dryRun && result == ORVCFG_OK))
        context.out << key << '=' << value << '\n';
    if (result != ORVCFG_OK)
        context.err << "orvcfg: " << message << '\n';
    return result;
}
