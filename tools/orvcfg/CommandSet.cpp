#include "Command.h"
#include "ConfigSession.h"
#include "ExitCode.h"
#include "OrvCfg.h"
#include "ResultText.h"
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

    ConfigSession session(context.programPath);
    if (session.loadResult() != ORVCFG_OK) {
        // A file that could not be read is not rewritten: the change is refused whole.
        context.err << "orvcfg: " << describeLoadFailure(session.loadResult(), session) << '\n';
        return session.loadResult();
    }
    if (valueText.find_first_of("\r\n") != std::string::npos) {
        // A line break would split the rewritten line in two.
        context.err << "orvcfg: " << describeSetFailure(ORVCFG_VALUE_REJECTED, key, requested, session) << '\n';
        return ORVCFG_VALUE_REJECTED;
    }

    // A dry run applies the same checks and writes nothing: it shows the line a change would
    // write, or the refusal it would meet.
    const bool dryRun = invocation.has("--dry-run");
    String value = requested;
    const int result = dryRun ? OrvCfg::checkKey(key, value) : OrvCfg::setKey(key, value);
    // Path keys come back rewritten (native separators, short form); show what was kept.
    if (value != requested || (dryRun && result == ORVCFG_OK))
        context.out << key << '=' << value << '\n';
    if (result != ORVCFG_OK)
        context.err << "orvcfg: " << describeSetFailure(result, key, requested, session) << '\n';
    return result;
}
